// bmp2bi's command line.
#include "converter/bmp2bi_options.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "converter/output_file.h"
#include "converter/quantise.h"
#include "picture/picture.h"
#include "pixeldata/label.h"

namespace {

constexpr const char* UsageTemplate =
    "Usage: bmp2bi [options] PICTURE...\n"
    "Converts pictures into pixel-data include files. It reads Windows BMP files, PNG, JPEG\n"
    "(baseline and progressive, CMYK too), GIF and WebP (the first image of an animation),\n"
    "TIFF (the first page), HEIC and AVIF. Photos come upright, as their orientation tag says.\n"
    "\n"
    "\n"
    "Output:\n"
    "  -o OUT              write the include file to OUT (one input file only); '-' is\n"
    "                      standard output. Pipes, terminals and devices are written in place\n"
    "                        bmp2bi -o - photo.jpg | gzip > photo.bi.gz\n"
    "  --output-dir DIR    write the include files into DIR, made with every missing folder\n"
    "                      above it, instead of beside their inputs\n"
    "                        bmp2bi --output-dir out/pics *.png\n"
    "  --packed            one value per pixel, &HAARRGGBB: 0.74 of the plain form's size\n"
    "                      for a photo, 0.90 for a sprite sheet\n"
    "                        bmp2bi --packed sprite.png\n"
    "  --palette           the picture's colours once, then one index per pixel: exact for\n"
    "                      up to 256 colours; a picture with more is refused unless --colours\n"
    "                        bmp2bi --palette sprites.png\n"
    "  --colours N         with --palette: reduce to at most N colours (2 to 256) with\n"
    "                      libimagequant where the picture has more (--colors too)\n"
    "                        bmp2bi --palette --colours 256 photo.jpg\n"
    "  --dither            with --colours: dither the reduced colours (none by default)\n"
    "  --per-line N        N pixels in one Data line (the palette form: N indices); as many\n"
    "                      as fit in 255 characters at most\n"
    "                        bmp2bi --per-line 8 sprite.png\n"
    "  --dialect NAME      the BASIC the file is for:\n"
    "                      default   bwbasic and BASICs that include files as they are: a\n"
    "                                label line \"NAME:\", \"Data\" lines\n"
    "                      yabasic   yabasic: the label line \"label NAME\" (letters, digits\n"
    "                                and _ only), no --packed (it has no &H numbers)\n"
    "                      numbered  classic line-numbered BASICs: a REM line naming the\n"
    "                                picture and its size, then numbered DATA lines of\n"
    "                                several values, none longer than 255 characters\n"
    "                        bmp2bi --dialect yabasic --palette sprite.png\n"
    "  --first-line N      numbered: the first DATA line's number (default 1000; the REM\n"
    "                      line takes the one before it)\n"
    "  --step N            numbered: from one line number to the next (default 10)\n"
    "  --mask [A]          pixels of alpha below A (default 128) become the mask colour\n"
    "                      &HFFFF00FF, which a mask blit leaves out (a number right after\n"
    "                      --mask is A)\n"
    "                        bmp2bi --mask sprite.png; bmp2bi --mask=200 sprite.png\n"
    "  --tiles WxH         cut a sprite sheet into W x H tiles, in reading order, each with\n"
    "                      its own label (LABEL_0, LABEL_1, ...) and size, in one file\n"
    "                        bmp2bi --tiles 16x16 --palette sheet.png\n"
    "  --label NAME        the label, for a single input (made safe as a file name's is)\n"
    "  -f, --force         replace include files that already exist\n"
    "\n"
    "Size, applied after decoding; the pixel limit applies to the result:\n"
    "  --crop WxH+X+Y      keep the W x H part whose top-left pixel is X, Y (before the\n"
    "                      options below); it must lie inside the picture\n"
    "                        bmp2bi --crop 16x16+32+0 sheet.png\n"
    "  --fit WxH           shrink to fit inside W x H keeping the aspect ratio; never enlarges\n"
    "                        bmp2bi --fit 640x480 photo.jpg\n"
    "  --scale P%% | F     scale both sides by P percent or by the factor F\n"
    "                        bmp2bi --scale 50%% photo.jpg; bmp2bi --scale 4 sprite.png\n"
    "  --size WxH          make it exactly W x H\n"
    "                        bmp2bi --size 320x200 title.png\n"
    "  --smooth            filter whole-number enlargements too; without it, enlarging by\n"
    "                      whole factors repeats every pixel, so pixel art stays sharp\n"
    "                        bmp2bi --scale 3 --smooth icon.png\n"
    "Resampling uses the triangle (bilinear) filter, widened when shrinking, with colours\n"
    "weighted by alpha, so transparent pixels lend no colour to their neighbours.\n"
    "\n"
    "Running:\n"
    "  -j N, --jobs N      convert N files at once (default: one per processor, at most %d);\n"
    "                      output and messages keep the input order\n"
    "                        bmp2bi -j 2 photos/*.jpg\n"
    "  -q, --quiet         report nothing but failures, and show no progress line\n"
    "  --max-pixels N      refuse pictures of more than N pixels (default %lld)\n"
    "                        bmp2bi --max-pixels 200000000 panorama.jpg\n"
    "  --keep-orientation  write the pixels as stored, not turned by the orientation tag\n"
    "  --help              show this help and exit\n"
    "  --version           show the version and exit\n"
    "\n"
    "Without -o each output is named as the converter names it: \"Res\", the input's file\n"
    "name less its extension (from its last dot on), \".bi\" (flower.bmp gives Resflower.bi,\n"
    "photo.jpeg Resphoto.bi). The label inside comes from the output's file name: characters\n"
    "from the blank to \"/\" become \"_\", letters outside ASCII their base letter (e for "
    "\xc3\xa9),\n"
    "other characters outside ASCII \"_\", and a label starting with a digit gets \"_\" before\n"
    "it; control characters become \"_\" too. Written to standard output, the label is the one\n"
    "the default name would give.\n"
    "In the packed form every pixel is one value \"&HAARRGGBB\" (eight upper-case hexadecimal\n"
    "digits); in the palette form the value after the size is the colour count, negated,\n"
    "followed by the colours (A, R, G, B each) and one index per pixel. Readers tell the forms\n"
    "apart by the first value after the size: \"&H\" and eight digits, a \"-\", or neither.\n"
    "Bytes per pixel as measured on a photo and a sprite sheet: plain 23.1 and 18.9 (with\n"
    "--per-line 13: 18.5 and 14.3), packed 17.0 (--per-line 21: 12.2), palette 4.7 (256\n"
    "colours) and 3.5. Before writing a file of more than 100 MB a warning names its size;\n"
    "--fit makes it smaller. Two outputs of one run with one label, which no program can\n"
    "include together, are warned of too.\n"
    "On a terminal, a run that takes more than a second shows a progress line on standard\n"
    "error.\n"
    "\n"
    "Exit status: 0 when every file was converted, 1 when some failed (each failure is one\n"
    "line on standard error), 2 for a usage error.\n";

}  // namespace

std::string UsageText() {
    const auto limit = static_cast<long long>(picture::DefaultPixelLimit);
    const int jobs = MaxTemporaryFilesAtOnce;
    std::string text(static_cast<size_t>(std::snprintf(nullptr, 0, UsageTemplate, jobs, limit)),
                     '\0');
    std::snprintf(text.data(), text.size() + 1, UsageTemplate, jobs, limit);
    return text;
}

namespace {

// A --max-pixels value: a whole number above 0, digits only.
int64_t PixelCount(const std::string& text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1)
        throw UsageError{"--max-pixels needs a whole number above 0, not '" + text + "'"};
    return value;
}

// A -j value: a whole number above 0; more than the program runs at once counts as that many.
int JobCount(const std::string& text, const std::string& option) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range && text.front() != '-')
        return MaxTemporaryFilesAtOnce;
    if (error != std::errc() || end != text.data() + text.size() || value < 1)
        throw UsageError{option + " needs a whole number above 0, not '" + text + "'"};
    return std::min(value, MaxTemporaryFilesAtOnce);
}

// The value of an option given as "--name VALUE", "--name=VALUE" or, for short options such as
// "-o", "-oVALUE".
std::string OptionValue(const std::vector<std::string>& args, size_t& i, size_t nameLength) {
    const std::string& arg = args[i];
    if (arg.size() > nameLength)
        return arg.substr(arg[nameLength] == '=' ? nameLength + 1 : nameLength);
    if (i + 1 >= args.size()) throw UsageError{"option " + arg + " needs a value"};
    return args[++i];
}

bool IsOption(const std::string& arg, std::string_view name) {
    return arg == name ||
           (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=');
}

template <class T>
T Valid(std::optional<T> value, const char* option, const char* form, const std::string& text) {
    if (!value) throw UsageError{std::string(option) + " needs " + form + ", not '" + text + "'"};
    return *value;
}

void SetResize(Shaping& shaping, Resize resize) {
    if (shaping.resize != Resize::Keep)
        throw UsageError{"--fit, --scale and --size exclude each other"};
    shaping.resize = resize;
}

// The size options; false for any other argument.
bool ParseSizeOption(const std::vector<std::string>& args, size_t& i, Shaping& shaping) {
    const std::string& arg = args[i];
    if (IsOption(arg, "--crop")) {
        const std::string text = OptionValue(args, i, 6);
        shaping.crop = Valid(ParseCrop(text), "--crop", "WxH+X+Y", text);
    } else if (IsOption(arg, "--fit") || IsOption(arg, "--size")) {
        const bool fit = IsOption(arg, "--fit");
        const std::string text = OptionValue(args, i, fit ? 5 : 6);
        SetResize(shaping, fit ? Resize::Fit : Resize::Exact);
        shaping.box = Valid(ParseDimensions(text), fit ? "--fit" : "--size", "WxH", text);
    } else if (IsOption(arg, "--scale")) {
        const std::string text = OptionValue(args, i, 7);
        SetResize(shaping, Resize::Scale);
        shaping.factor = Valid(ParseScale(text), "--scale", "a percentage or factor above 0", text);
    } else if (arg == "--smooth") {
        shaping.smooth = true;
    } else {
        return false;
    }
    return true;
}

// A whole number from `least` to `most`, digits only.
int WholeNumber(const std::string& text, const std::string& option, int least, int most) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < least || value > most)
        throw UsageError{option + " needs a whole number from " + std::to_string(least) + " to " +
                         std::to_string(most) + ", not '" + text + "'"};
    return value;
}

bool AllDigits(const std::string& text) {
    return !text.empty() && text.size() <= 3 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "--mask", "--mask=A", or "--mask A" when A is a number.
uint32_t MaskAlpha(const std::vector<std::string>& args, size_t& i) {
    const std::string& arg = args[i];
    if (arg.size() > 6) return static_cast<uint32_t>(WholeNumber(arg.substr(7), "--mask", 1, 255));
    if (i + 1 < args.size() && AllDigits(args[i + 1]))
        return static_cast<uint32_t>(WholeNumber(args[++i], "--mask", 1, 255));
    return DefaultMaskAlpha;
}

Dialect DialectOf(const std::string& text) {
    if (const std::optional<Dialect> dialect = DialectNamed(text)) return *dialect;
    throw UsageError{"--dialect needs default, yabasic or numbered, not '" + text + "'"};
}

// The options of the form and of what is done to the pixels; false for any other argument.
bool ParseFormOption(const std::vector<std::string>& args, size_t& i, Bmp2biOptions& o) {
    const std::string& arg = args[i];
    IncludeFormat& format = o.format;
    PixelTreatment& treatment = o.treatment;
    if (arg == "--packed") {
        format.form = PixelForm::Packed;
    } else if (arg == "--palette") {
        format.palette = true;
    } else if (IsOption(arg, "--dialect")) {
        format.dialect = DialectOf(OptionValue(args, i, 9));
    } else if (IsOption(arg, "--per-line")) {
        format.perLine = WholeNumber(OptionValue(args, i, 10), "--per-line", 1, LongestBasicLine);
    } else if (IsOption(arg, "--first-line")) {
        format.firstLine =
            WholeNumber(OptionValue(args, i, 12), "--first-line", 1, HighestLineNumber);
        o.numbering = true;
    } else if (IsOption(arg, "--step")) {
        format.lineStep = WholeNumber(OptionValue(args, i, 6), "--step", 1, HighestLineNumber);
        o.numbering = true;
    } else if (IsOption(arg, "--colours") || IsOption(arg, "--colors")) {
        const bool american = arg[6] == 'r';
        treatment.colours =
            WholeNumber(OptionValue(args, i, american ? 8 : 9), american ? "--colors" : "--colours",
                        FewestReducedColours, MostReducedColours);
    } else if (arg == "--dither") {
        treatment.dither = true;
    } else if (IsOption(arg, "--mask")) {
        treatment.maskBelow = MaskAlpha(args, i);
    } else if (IsOption(arg, "--tiles")) {
        const std::string text = OptionValue(args, i, 7);
        treatment.tiles = Valid(ParseDimensions(text), "--tiles", "WxH", text);
    } else if (IsOption(arg, "--label")) {
        o.label = OptionValue(args, i, 7);
    } else {
        return false;
    }
    return true;
}

// The form's options that exclude each other or need another.
void CheckForm(const Bmp2biOptions& o) {
    const IncludeFormat& format = o.format;
    if (format.dialect == Dialect::Yabasic && format.form == PixelForm::Packed)
        throw UsageError{"--packed cannot go with --dialect yabasic: yabasic has no &H numbers"};
    if (format.palette && format.form == PixelForm::Packed)
        throw UsageError{
            "--packed and --palette exclude each other: the palette form writes "
            "one small index a pixel"};
    if (o.numbering && format.dialect != Dialect::Numbered)
        throw UsageError{"--first-line and --step number the lines of --dialect numbered only"};
    if (format.perLine > MostPerLine(format))
        throw UsageError{"--per-line " + std::to_string(format.perLine) +
                         " is too many: " + std::to_string(MostPerLine(format)) +
                         " fit in a line of 255 characters in this form"};
    if (o.treatment.colours && !format.palette)
        throw UsageError{"--colours reduces the colours of --palette only"};
    if (o.treatment.dither && !o.treatment.colours)
        throw UsageError{"--dither goes with --colours only"};
    if (o.label && o.inputs.size() > 1) throw UsageError{"--label takes exactly one input file"};
    if (o.label && MakeLabel(*o.label).empty()) throw UsageError{"--label needs a name, not ''"};
}

}  // namespace

Bmp2biOptions ParseArguments(const std::vector<std::string>& args) {
    Bmp2biOptions o;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            o.inputs.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg.rfind("-o", 0) == 0 && arg.rfind("--", 0) != 0) {
            o.output = OptionValue(args, i, 2);
        } else if (ParseSizeOption(args, i, o.shaping) || ParseFormOption(args, i, o)) {
        } else if (arg.rfind("-j", 0) == 0 || IsOption(arg, "--jobs")) {
            const bool shortForm = arg[1] == 'j';
            o.jobs = JobCount(OptionValue(args, i, shortForm ? 2 : 6), shortForm ? "-j" : "--jobs");
        } else if (arg == "--output-dir" || arg.rfind("--output-dir=", 0) == 0) {
            o.outputDir = OptionValue(args, i, 12);
        } else if (arg == "--max-pixels" || arg.rfind("--max-pixels=", 0) == 0) {
            o.maxPixels = PixelCount(OptionValue(args, i, 12));
        } else if (arg == "--keep-orientation") {
            o.keepOrientation = true;
        } else if (arg == "-f" || arg == "--force") {
            o.force = true;
        } else if (arg == "-q" || arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else {
            throw UsageError{"unknown option " + arg};
        }
    }
    if (o.help || o.version) return o;
    if (o.inputs.empty()) throw UsageError{"no input files"};
    if (o.output && o.output->empty()) throw UsageError{"-o needs a file name, not ''"};
    if (o.outputDir && o.outputDir->empty())
        throw UsageError{"--output-dir needs a folder, not ''"};
    if (o.output && o.outputDir) throw UsageError{"-o and --output-dir exclude each other"};
    if (o.output && o.inputs.size() > 1) throw UsageError{"-o takes exactly one input file"};
    CheckForm(o);
    return o;
}
