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
    for (const auto& [set, name] : {std::pair{sh.smooth, "smooth"},
                                    {o.form == PixelForm::Packed, "packed"},
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
