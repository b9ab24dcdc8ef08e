// The keyboard's edits of a text field: the caret's moves, the selection, removing, typing,
// pasting, and the clipboard.
#include <algorithm>
#include <limits>

#include "base/text_encoding.h"
#include "gui/text_entry.h"
#include "gui/text_field.h"

namespace {

struct Span {
    int32_t from;
    int32_t to;
    bool Empty() const { return from == to; }
};

Span Selection(const TextField& field) {
    return {std::min(field.SelectionStart, field.CaretPos),
            std::max(field.SelectionStart, field.CaretPos)};
}

size_t Offset(const TextField& field, int32_t character) {
    return CharacterOffset(field.Text, character);
}

std::string SelectedText(const TextField& field) {
    const Span s = Selection(field);
    const size_t from = Offset(field, s.from);
    return field.Text.substr(from, Offset(field, s.to) - from);
}

// Replaces the characters of `span` with `text` of `characters` characters; the caret follows it.
// The field goes on knowing its text.
void Replace(TextField& field, Span span, std::string_view text, int32_t characters) {
    const size_t from = Offset(field, span.from);
    const size_t length = Offset(field, span.to) - from;
    field.Text.replace(from, length, text);
    field.KnownText.replace(from, length, text);
    field.KnownLength += characters - (span.to - span.from);
    field.CaretPos = field.SelectionStart = span.from + characters;
}

void MoveCaret(TextField& field, int32_t to, bool extendSelection) {
    field.CaretPos = to;
    if (!extendSelection) field.SelectionStart = to;
}

// How many characters the field takes in place of `replaced`: a ScrollTextBox takes any number.
int32_t Room(const TextField& field, Span replaced) {
    if (field.Kind == TextFieldKind::ScrollTextBox) return std::numeric_limits<int32_t>::max();
    const int64_t kept = int64_t{TextLength(field)} - (replaced.to - replaced.from);
    return static_cast<int32_t>(std::max<int64_t>(std::max(field.Length, 0) - kept, 0));
}

// Letters and digits of any script make words; blanks, punctuation and "/" part them.
bool IsWordCharacter(char32_t c) {
    if (c >= 0x80) return c != 0xA0;  // all but the no-break space
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// The start of the word before `caret` (over the gap before it, if any).
int32_t WordStartBefore(const TextField& field, int32_t caret) {
    const std::string_view text = field.Text;
    int32_t start = 0;
    bool previousInWord = false;
    size_t at = 0;
    for (int32_t n = 0; n < caret && at < text.size(); ++n) {
        const DecodedCharacter d = DecodeCharacter(text, at);
        const bool inWord = IsWordCharacter(d.codePoint);
        if (inWord && !previousInWord) start = n;
        previousInWord = inWord;
        at += d.length;
    }
    return start;
}

// The end of the word after `caret` (over the gap before it, if any).
int32_t WordEndAfter(const TextField& field, int32_t caret) {
    const std::string_view text = field.Text;
    size_t at = Offset(field, caret);
    bool seenWord = false;
    for (; at < text.size(); ++caret) {
        const DecodedCharacter d = DecodeCharacter(text, at);
        const bool inWord = IsWordCharacter(d.codePoint);
        if (seenWord && !inWord) break;
        seenWord = seenWord || inWord;
        at += d.length;
    }
    return caret;
}

void MoveLeft(TextField& field, const TypedKey& key) {
    const Span s = Selection(field);
    if (!s.Empty() && !key.Shift) return MoveCaret(field, s.from, false);
    const int32_t to = key.Ctrl ? WordStartBefore(field, field.CaretPos) : field.CaretPos - 1;
    MoveCaret(field, std::max(to, 0), key.Shift);
}

void MoveRight(TextField& field, const TypedKey& key) {
    const Span s = Selection(field);
    if (!s.Empty() && !key.Shift) return MoveCaret(field, s.to, false);
    const int32_t to = key.Ctrl ? WordEndAfter(field, field.CaretPos) : field.CaretPos + 1;
    MoveCaret(field, std::min(to, TextLength(field)), key.Shift);
}

// Backspace and Delete: the selection, or the character (or word, with Ctrl) on their side.
void Remove(TextField& field, const TypedKey& key, bool forward) {
    Span s = Selection(field);
    if (s.Empty() && forward) {
        s.to = key.Ctrl ? WordEndAfter(field, s.to) : std::min(s.to + 1, TextLength(field));
    } else if (s.Empty()) {
        s.from = key.Ctrl ? WordStartBefore(field, s.from) : std::max(s.from - 1, 0);
    }
    Replace(field, s, {}, 0);
}

// In place of the selection, as much of `text` as the field has room for.
void Insert(TextField& field, std::string_view text) {
    const Span s = Selection(field);
    const int32_t characters = std::min(CharacterCount(text), Room(field, s));
    if (characters == 0) return;
    Replace(field, s, text.substr(0, CharacterOffset(text, characters)), characters);
}

void Paste(TextField& field, std::string_view clipboard) {
    const std::string line = PastedLine(clipboard);
    Insert(field, field.PastedText ? PastedLine(field.PastedText(line)) : line);
}

// A password's characters stay in its field.
void CopySelection(TextField& field, bool cut) {
    if (field.Kind == TextFieldKind::PasswordBox || Selection(field).Empty()) return;
    CopyToClipboard(SelectedText(field));
    if (cut) Replace(field, Selection(field), {}, 0);
}

}  // namespace

void EditWithKey(TextField& field, const TypedKey& key) {
    switch (key.Kind) {
        case KeyKind::Printable:
            return Insert(field, key.Text);
        case KeyKind::Paste:
            return Paste(field, key.Text);
        case KeyKind::Backspace:
            return Remove(field, key, false);
        case KeyKind::Delete:
            return Remove(field, key, true);
        case KeyKind::Left:
            return MoveLeft(field, key);
        case KeyKind::Right:
            return MoveRight(field, key);
        case KeyKind::Home:
            return MoveCaret(field, 0, key.Shift);
        case KeyKind::End:
            return MoveCaret(field, TextLength(field), key.Shift);
        case KeyKind::SelectAll:
            field.SelectionStart = 0;
            field.CaretPos = TextLength(field);
            return;
        case KeyKind::Copy:
        case KeyKind::Cut:
            return CopySelection(field, key.Kind == KeyKind::Cut);
        case KeyKind::Enter:
            field.Focused = 0;
            return;
        case KeyKind::None:
        case KeyKind::NoneWaiting:
            return;
    }
}
