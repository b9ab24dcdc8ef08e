// bmp2bi's command line on its own: what each valid line asks for, and the exact message for each
// line that asks for nothing sensible.
#include "converter/bmp2bi_options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

// Every field of the options in one line, those left at their defaults out.
std::string Described(const Bmp2biOptions& o) {
    std::ostringstream s;
    for (const std::string& input : o.inputs) s << "<" << input << ">";
    if (o.output) s << " o=" << *o.output;
    if (o.outputDir) s << " dir=" << *o.outputDir;
    if (o.maxPixels) s << " max=" << *o.maxPixels;
    if (o.jobs) s << " j=" << *o.jobs;
    const Shaping& sh = o.shaping;
    if (sh.crop)
        s << " crop=" << sh.crop->size.width << "x" << sh.crop->size.height << "+" << sh.crop->x
          << "+" << sh.crop->y;
    const char* resized[] = {"", " fit=", " scale=", " size="};
    s << resized[static_cast<int>(sh.resize)];
    if (sh.resize == Resize::Scale) s << sh.factor;
    if (sh.resize == Resize::Fit || sh.resize == Resize::Exact)
        s << sh.box.width << "x" << sh.box.height;
    const IncludeFormat& f = o.format;
    if (f.dialect != Dialect::Default) s << " " << NameOf(f.dialect);
    if (f.perLine != 0) s << " per-line=" << f.perLine;
    if (o.numbering) s << " lines=" << f.firstLine << "+" << f.lineStep;
    const PixelTreatment& t = o.treatment;
    if (t.colours) s << " colours=" << *t.colours;
    if (t.maskBelow) s << " mask=" << *t.maskBelow;
    if (t.tiles) s << " tiles=" << t.tiles->width << "x" << t.tiles->height;
    if (o.label) s << " label=" << *o.label;
    for (const auto& [set, name] : {std::pair{sh.smooth, "smooth"},
                                    {f.form == PixelForm::Packed, "packed"},
                                    {f.palette, "palette"},
                                    {t.dither, "dither"},
                                    {o.force, "force"},
                                    {o.keepOrientation, "keep"},
                                    {o.quiet, "quiet"},
                                    {o.help, "help"},
                                    {o.version, "version"}})
        if (set) s << " " << name;
    return s.str();
}

TEST(Bmp2biOptions, ValidCommandLines) {
    // clang-format off
    const std::pair<Args, std::string> cases[] = {
        {{"a.bmp", "-", "b c.png"}, "<a.bmp><-><b c.png>"},
        {{"--", "-o", "--help", "-j"}, "<-o><--help><-j>"},
        {{"-o", "out.bi", "a"}, "<a> o=out.bi"}, {{"-oout.bi", "a"}, "<a> o=out.bi"},
        {{"a", "-o", "-"}, "<a> o=-"}, {{"--output-dir", "d", "a", "b"}, "<a><b> dir=d"},
        {{"--output-dir=out/x", "a"}, "<a> dir=out/x"}, {{"--max-pixels", "5", "a"}, "<a> max=5"},
        {{"--max-pixels=200000000", "a"}, "<a> max=200000000"}, {{"-j", "3", "a"}, "<a> j=3"},
        {{"-j2", "--jobs=7", "a"}, "<a> j=7"}, {{"--jobs", "65", "a"}, "<a> j=64"},
        {{"-j", "99999999999999999999", "a"}, "<a> j=64"},
        {{"--crop", "16x16+32+0", "a"}, "<a> crop=16x16+32+0"},
        {{"--crop=4x3", "a"}, "<a> crop=4x3+0+0"}, {{"--fit", "640x480", "a"}, "<a> fit=640x480"},
        {{"--size=320x200", "a"}, "<a> size=320x200"}, {{"--scale", "50%", "a"}, "<a> scale=0.5"},
        {{"--scale=3", "--smooth", "a"}, "<a> scale=3 smooth"},
        {{"--packed", "-f", "--keep-orientation", "-q", "a"}, "<a> packed force keep quiet"},
        {{"--force", "--quiet", "a"}, "<a> force quiet"}, {{"--version"}, " version"},
        {{"--help", "-o", "x", "a", "b"}, "<a><b> o=x help"},  // help asks for nothing more
        {{"--dialect", "yabasic", "--palette", "a"}, "<a> yabasic palette"},
        {{"--dialect=numbered", "--first-line", "1", "--step=65529", "--packed", "a"},
         "<a> numbered lines=1+65529 packed"},
        {{"--per-line", "13", "a"}, "<a> per-line=13"},
        {{"--per-line=21", "--packed", "a"}, "<a> per-line=21 packed"},
        {{"--palette", "--per-line", "61", "--dialect", "numbered", "a"},
         "<a> numbered per-line=61 palette"},
        {{"--palette", "--colours", "256", "--dither", "a"}, "<a> colours=256 palette dither"},
        {{"--palette", "--colors=2", "a"}, "<a> colours=2 palette"},
        // A number right after --mask is its alpha; anything else is not.
        {{"--mask", "a"}, "<a> mask=128"}, {{"--mask", "200", "a"}, "<a> mask=200"},
        {{"--mask=1", "255"}, "<255> mask=1"}, {{"--mask", "x1", "a"}, "<x1><a> mask=128"},
        {{"--tiles", "16x8", "a"}, "<a> tiles=16x8"}, {{"--label=hero", "a"}, "<a> label=hero"},
    };
    // clang-format on
    for (const auto& [args, described] : cases) {
        try {
            EXPECT_EQ(Described(ParseArguments(args)), described) << args.front();
        } catch (const UsageError& e) {
            ADD_FAILURE() << args.front() << ": " << e.message;
        }
    }
}

TEST(Bmp2biOptions, InvalidCommandLinesSayWhy) {
    const std::string whole = " needs a whole number above 0, not ";
    const std::string factor = "--scale needs a percentage or factor above 0, not ";
    // clang-format off
    const std::pair<Args, std::string> cases[] = {
        {{}, "no input files"}, {{"-q", "-j", "2"}, "no input files"},
        {{"--bogus", "a"}, "unknown option --bogus"}, {{"-h", "--bogus"}, "unknown option --bogus"},
        {{"--jobsx", "a"}, "unknown option --jobsx"},
        {{"-o"}, "option -o needs a value"},
        {{"a", "--output-dir"}, "option --output-dir needs a value"},
        {{"-j"}, "option -j needs a value"},
        {{"-o", "x.bi", "a", "b"}, "-o takes exactly one input file"},
        {{"-o", "x.bi", "--output-dir", "d", "a"}, "-o and --output-dir exclude each other"},
        {{"-o", "", "a"}, "-o needs a file name, not ''"},
        {{"--output-dir", "", "a"}, "--output-dir needs a folder, not ''"},
        {{"--output-dir=", "a"}, "--output-dir needs a folder, not ''"},
        {{"--max-pixels", "0", "a"}, "--max-pixels" + whole + "'0'"},
        {{"--max-pixels=-5", "a"}, "--max-pixels" + whole + "'-5'"},
        {{"--max-pixels", "1e6", "a"}, "--max-pixels" + whole + "'1e6'"},
        {{"--max-pixels", "99999999999999999999", "a"},
         "--max-pixels" + whole + "'99999999999999999999'"},
        {{"--fit", "10x", "a"}, "--fit needs WxH, not '10x'"},
        {{"--fit=0x5", "a"}, "--fit needs WxH, not '0x5'"},
        {{"--size", "5x5x5", "a"}, "--size needs WxH, not '5x5x5'"},
        {{"--size", "2147483648x1", "a"}, "--size needs WxH, not '2147483648x1'"},
        {{"--scale", "0", "a"}, factor + "'0'"}, {{"--scale=-50%", "a"}, factor + "'-50%'"},
        {{"--scale", "nan", "a"}, factor + "'nan'"}, {{"--scale", "2x", "a"}, factor + "'2x'"},
        {{"--crop", "4x4+-1+0", "a"}, "--crop needs WxH+X+Y, not '4x4+-1+0'"},
        {{"--crop", "4x4+1", "a"}, "--crop needs WxH+X+Y, not '4x4+1'"},
        {{"--fit", "1x1", "--size", "2x2", "a"}, "--fit, --scale and --size exclude each other"},
        {{"--scale", "2", "--scale", "2", "a"}, "--fit, --scale and --size exclude each other"},
        {{"-j", "0", "a"}, "-j" + whole + "'0'"}, {{"-j-5", "a"}, "-j" + whole + "'-5'"},
        {{"--jobs=x", "a"}, "--jobs" + whole + "'x'"},
        {{"--jobs", "", "a"}, "--jobs" + whole + "''"},
        {{"--dialect", "qbasic", "a"}, "--dialect needs default, yabasic or numbered, not 'qbasic'"},
        {{"--packed", "--dialect=yabasic", "a"},
         "--packed cannot go with --dialect yabasic: yabasic has no &H numbers"},
        {{"--packed", "--palette", "a"},
         "--packed and --palette exclude each other: the palette form writes one small index a "
         "pixel"},
        {{"--per-line", "14", "a"},
         "--per-line 14 is too many: 13 fit in a line of 255 characters in this form"},
        {{"--per-line=16", "--dialect", "numbered", "a"},
         "--per-line 16 is too many: 15 fit in a line of 255 characters in this form"},
        {{"--per-line", "0", "a"}, "--per-line needs a whole number from 1 to 255, not '0'"},
        {{"--first-line", "10", "a"},
         "--first-line and --step number the lines of --dialect numbered only"},
        {{"--first-line", "0", "--dialect", "numbered", "a"},
         "--first-line needs a whole number from 1 to 65529, not '0'"},
        {{"--step=65530", "a"}, "--step needs a whole number from 1 to 65529, not '65530'"},
        {{"--colours", "4", "a"}, "--colours reduces the colours of --palette only"},
        {{"--colours=1", "--palette", "a"}, "--colours needs a whole number from 2 to 256, not '1'"},
        {{"--colors", "257", "a"}, "--colors needs a whole number from 2 to 256, not '257'"},
        {{"--dither", "a"}, "--dither goes with --colours only"},
        {{"--mask=0", "a"}, "--mask needs a whole number from 1 to 255, not '0'"},
        {{"--mask", "256", "a"}, "--mask needs a whole number from 1 to 255, not '256'"},
        {{"--tiles", "0x4", "a"}, "--tiles needs WxH, not '0x4'"},
        {{"--label", "x", "a", "b"}, "--label takes exactly one input file"},
        {{"--label", " ", "a"}, "--label needs a name, not ''"},
    };
    // clang-format on
    for (const auto& [args, message] : cases) {
        try {
            ParseArguments(args);
            ADD_FAILURE() << "accepted: " << message;
        } catch (const UsageError& e) {
            EXPECT_EQ(e.message, message);
        }
    }
}

}  // namespace
