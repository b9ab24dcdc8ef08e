REM Reads a picture from a pixel-data include file written with bmp2bi --packed, where every
REM pixel is one value &HAARRGGBB, and takes each value apart into its alpha, red, green and
REM blue. In a BASIC whose &H values are signed 32-bit numbers (bwbasic, and others whose
REM integers are 32 bits) a value with alpha 128 or more reads as negative: &HFFFF0000 is
REM -65536, so 2^32 is added first.
REM It prints the picture's size and the Adler-32 checksum of its values.
REM Run it with: bwbasic packed.bas (with Ressprite.bi beside it)
MERGE "Ressprite.bi"
RESTORE Ressprite_bi
READ w, h
PRINT "size"; w; " x"; h
s1 = 1
s2 = 0
FOR p = 1 TO w * h
  READ v
  GOSUB TakeApart
  GOSUB AddToChecksum
NEXT p
PRINT "checksum"; s2; s1
SYSTEM

REM v as an unsigned number, then its bytes by whole divisions (MOD would work on the signed
REM 32-bit value again).
TakeApart:
IF v < 0 THEN v = v + 4294967296
a = INT(v / 16777216)
r = INT(v / 65536) - a * 256
g = INT(v / 256) - INT(v / 65536) * 256
b = v - INT(v / 256) * 256
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
