// Labels and output names.
#include "pixeldata/label.h"

#include "base/text_encoding.h"
#include "pixeldata/ascii_letters.h"

namespace {

// ASCII as before: codes 32 to 47 and control characters (line breaks would split the label
// line, and no BASIC takes the others in a name) become "_"; a character beyond ASCII its base
// letters or "_".
void AppendLabelCharacter(std::string_view& name, std::string& label) {
    const auto byte = static_cast<unsigned char>(name.front());
    if (byte < 0x80) {
        label += byte <= 47 || byte == 0x7F ? '_' : name.front();
        name.remove_prefix(1);
        return;
    }
    const DecodedCharacter c = DecodeCharacter(name, 0);
    const std::string_view base = c.wellFormed ? AsciiBaseLetters(c.codePoint) : "";
    label += base.empty() ? "_" : base;
    name.remove_prefix(c.length);
}

}  // namespace

std::string MakeLabel(std::string_view outputName) {
    const size_t first = outputName.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const size_t last = outputName.find_last_not_of(' ');
    std::string_view name = outputName.substr(first, last - first + 1);
    // BASIC takes no label that starts with a digit.
    std::string label = name.front() >= '0' && name.front() <= '9' ? "_" : "";
    while (!name.empty()) AppendLabelCharacter(name, label);
    return label;
}

std::string DeriveOutputName(std::string_view inputPath) {
    // "\" too: a path typed the Windows way names its file after the last backslash.
    const size_t separator = inputPath.find_last_of("/\\");
    std::string_view name =
        separator == std::string_view::npos ? inputPath : inputPath.substr(separator + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
    return "Res" + std::string(name) + ".bi";
}
