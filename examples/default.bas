REM Reads a picture from a pixel-data include file as a BASIC
REM program uses one, in the default dialect: bmp2bi sprite.png
REM writes Ressprite.bi, which this program takes in with MERGE
REM (in BASICs with an include command: '$INCLUDE:
REM 'Ressprite.bi' or #include). It prints the picture's size
REM and the Adler-32 checksum of its values (A, R, G and B of
REM every pixel, row by row), and draws a picture of up to 64
REM pixels across in letters. Both the plain form and the
REM palette form (bmp2bi --palette) are read: a negative value
REM after the size is the palette's colour count (an alpha value
REM never is).
REM Run it with: bwbasic default.bas
MERGE "Ressprite.bi"
DIM ca(255), cr(255), cg(255), cb(255)
RESTORE Ressprite_bi
READ w, h, first
PRINT "size"; w; " x"; h
colours = 0
IF first < 0 THEN GOSUB ReadPalette
s1 = 1
s2 = 0
FOR y = 0 TO h - 1
  row$ = ""
  FOR x = 0 TO w - 1
    GOSUB ReadPixel
    GOSUB AddToChecksum
    GOSUB DrawPixel
  NEXT x
  IF w <= 64 THEN PRINT "|"; row$; "|"
NEXT y
PRINT "checksum"; s2; s1
SYSTEM

ReadPalette:
colours = -first
FOR i = 0 TO colours - 1
  READ ca(i), cr(i), cg(i), cb(i)
NEXT i
RETURN

REM One pixel: its four values, or its index into the palette.
ReadPixel:
IF colours > 0 THEN
  READ i
  a = ca(i)
  r = cr(i)
  g = cg(i)
  b = cb(i)
ELSEIF first >= 0 THEN
  a = first
  first = -1
  READ r, g, b
ELSE
  READ a, r, g, b
END IF
RETURN

AddToChecksum:
s1 = (s1 + a) MOD 65521
s2 = (s2 + s1) MOD 65521
s1 = (s1 + r) MOD 65521
s2 = (s2 + s1) MOD 65521
s1 = (s1 + g) MOD 65521
s2 = (s2 + s1) MOD 65521
s1 = (s1 + b) MOD 65521
s2 = (s2 + s1) MOD 65521
RETURN

REM The draw loop a program with graphics has, PSET (x, y),
REM RGB(r, g, b), in letters: a transparent or mask-coloured
REM pixel (bmp2bi --mask) stays empty, the others show how light.
DrawPixel:
IF a < 128 OR (r = 255 AND g = 0 AND b = 255) THEN
  row$ = row$ + " "
ELSE
  light = INT((r * 3 + g * 6 + b) / 2551 * 9)
  row$ = row$ + MID$(".:-=+*#%@", 1 + light, 1)
END IF
RETURN
