#include "core/model/TextMeasures.h"

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <memory>

namespace zuna {

namespace {

// Creating a break iterator is costly; each thread keeps one and only resets its text.
icu::BreakIterator* characterIterator() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(made) : nullptr;
    }();
    return iterator.get();
}

bool isBlankCharacter(UChar32 c) {
    if (c == 0x09 || (c >= 0x0A && c <= 0x0D) || c == 0x85) return true;
    const auto type = u_charType(c);
    return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

// Calls `visit` with the byte offset of the end of each user-perceived character, in order,
// until it returns false.
template <typename Visit>
void forEachBoundary(std::string_view utf8, Visit&& visit) {
    if (utf8.empty()) return;
    icu::BreakIterator* iterator = characterIterator();
    UErrorCode status = U_ZERO_ERROR;
    UText text = UTEXT_INITIALIZER;
    utext_openUTF8(&text, utf8.data(), static_cast<int64_t>(utf8.size()), &status);
    if (iterator == nullptr || U_FAILURE(status)) {
        utext_close(&text);
        // Without ICU's data every code point counts; never undercounts a limit check.
        for (std::size_t i = 0; i < utf8.size(); ++i) {
            const bool last =
                i + 1 == utf8.size() || (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) != 0x80;
            if (last && !visit(i + 1)) return;
        }
        return;
    }
    iterator->setText(&text, status);
    // Boundaries of a UTF-8 UText are byte offsets.
    for (int32_t next = iterator->next(); next != icu::BreakIterator::DONE;
         next = iterator->next()) {
        if (!visit(static_cast<std::size_t>(next))) break;
    }
    utext_close(&text);
}

}  // namespace

std::size_t userPerceivedLength(std::string_view utf8, std::size_t stopAfter) {
    std::size_t count = 0;
    forEachBoundary(utf8, [&](std::size_t) { return ++count <= stopAfter; });
    return count;
}

bool isBlank(std::string_view utf8) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t i = 0;
    while (i < length) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0 || !isBlankCharacter(c)) return false;
    }
    return true;
}

std::string trimmed(std::string_view utf8) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t start = 0;
    while (start < length) {
        int32_t next = start;
        UChar32 c = 0;
        U8_NEXT(bytes, next, length, c);
        if (c < 0 || !isBlankCharacter(c)) break;
        start = next;
    }
    int32_t end = length;
    while (end > start) {
        int32_t previous = end;
        UChar32 c = 0;
        U8_PREV(bytes, start, previous, c);
        if (c < 0 || !isBlankCharacter(c)) break;
        end = previous;
    }
    return std::string(
        utf8.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
}

std::string prefixOfLength(std::string_view utf8, std::size_t count) {
    std::size_t seen = 0;
    std::size_t end = 0;
    forEachBoundary(utf8, [&](std::size_t boundary) {
        if (seen == count) return false;
        ++seen;
        end = boundary;
        return true;
    });
    return std::string(utf8.substr(0, end));
}

}  // namespace zuna
