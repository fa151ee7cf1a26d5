#include "core/appearance/Color.h"

#include <unicode/brkiter.h>
#include <unicode/utext.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>

namespace zuna {

namespace {

constexpr std::uint32_t kFallback = 0x397D70;

// Byte length of the first user-perceived character. The usual "#" followed by ASCII is one
// byte; anything else asks ICU, so that "é" or an emoji in front is dropped whole.
std::size_t firstCharacterLength(std::string_view utf8) {
    if (utf8.empty()) return 0;
    const auto first = static_cast<unsigned char>(utf8[0]);
    const bool secondAscii = utf8.size() < 2 || static_cast<unsigned char>(utf8[1]) < 0x80;
    if (first < 0x80 && secondAscii && !(utf8.size() >= 2 && first == '\r' && utf8[1] == '\n'))
        return 1;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> iterator(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    UText text = UTEXT_INITIALIZER;
    utext_openUTF8(&text, utf8.data(), static_cast<int64_t>(utf8.size()), &status);
    std::size_t length = 1;
    if (U_SUCCESS(status) && iterator) {
        iterator->setText(&text, status);
        const int32_t end = iterator->next();
        if (U_SUCCESS(status) && end > 0) length = static_cast<std::size_t>(end);
    } else {
        // Without ICU's data, drop one code point.
        while (length < utf8.size() && (static_cast<unsigned char>(utf8[length]) & 0xC0) == 0x80)
            ++length;
    }
    utext_close(&text);
    return length;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// An optional sign, then one or more hexadecimal digits and nothing else, within 32 bits. A minus
// sign is only accepted in front of zero.
std::optional<std::uint32_t> readHex32(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    if (negative && value != 0) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

double linear(double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

int byte(double component) {
    // Halves round away from zero; a component outside 0...1 still writes two digits.
    return static_cast<int>(std::clamp(std::round(component * 255.0), 0.0, 255.0));
}

}  // namespace

Color Color::fromHex(std::string_view text) {
    text.remove_prefix(firstCharacterLength(text));
    const std::uint32_t value = text.empty() ? kFallback : readHex32(text).value_or(kFallback);
    return {((value >> 16) & 0xFF) / 255.0, ((value >> 8) & 0xFF) / 255.0, (value & 0xFF) / 255.0,
            1.0};
}

std::string Color::hex() const {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", byte(red), byte(green), byte(blue));
    return buffer;
}

Color Color::mixed(const Color& other, double fraction) const {
    const auto mix = [fraction](double a, double b) { return a * (1 - fraction) + b * fraction; };
    return {mix(red, other.red), mix(green, other.green), mix(blue, other.blue),
            mix(alpha, other.alpha)};
}

double Color::luminance() const {
    return 0.2126 * linear(red) + 0.7152 * linear(green) + 0.0722 * linear(blue);
}

Color Color::readableInk() const {
    return luminance() > 0.179 ? Color::fromHex("#142020") : Color::white();
}

}  // namespace zuna
