#include "SafeText.h"

#include <cstddef>
#include <utility>

namespace session {
namespace {

// The length of the well-formed UTF-8 sequence at text[at], or 0 when the byte there starts none (an
// overlong form, a surrogate, a code point past U+10FFFF, a stray or missing continuation byte).
std::size_t SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xbf;  // the range of the second byte; later ones are always 80..BF
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;
        high = lead == 0xed ? 0x9f : 0xbf;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    } else {
        return 0;
    }
    if (text.size() - at < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xbf) {
            return 0;
        }
    }
    return length;
}

void AppendByte(std::string& out, unsigned char c) {
    static const char digits[] = "0123456789abcdef";
    out += "\\x";
    out += digits[c >> 4];
    out += digits[c & 0xf];
}

bool HasInvalidBytes(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = SequenceLength(text, at);
        if (length == 0) {
            return true;
        }
        at += length;
    }
    return false;
}

// Calls valid(run) for each run of well-formed UTF-8 and invalid(byte) for each byte outside one.
template <class Valid, class Invalid>
void Split(std::string_view text, Valid&& valid, Invalid&& invalid) {
    std::size_t start = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = SequenceLength(text, at);
        if (length != 0) {
            at += length;
            continue;
        }
        valid(text.substr(start, at - start));
        invalid(static_cast<unsigned char>(text[at]));
        start = ++at;
    }
    valid(text.substr(start));
}

}  // namespace

std::string SafeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    Split(
        text,
        [&](std::string_view run) {
            for (const char c : run) {
                const auto byte = static_cast<unsigned char>(c);
                if (byte < 0x20 || byte == 0x7f) {
                    AppendByte(out, byte);
                } else {
                    out += c;
                }
            }
        },
        [&](unsigned char byte) { AppendByte(out, byte); });
    return out;
}

std::string SafeQuoted(std::string_view text) {
    std::string out = "\"";
    Split(
        text,
        [&](std::string_view run) {
            const std::string quoted = nlohmann::ordered_json(std::string(run)).dump();
            out.append(quoted, 1, quoted.size() - 2);
        },
        [&](unsigned char byte) { AppendByte(out, byte); });
    return out + "\"";
}

void MakeJsonSafe(nlohmann::ordered_json& value) {
    if (value.is_string()) {
        const std::string& text = value.get_ref<const std::string&>();
        if (HasInvalidBytes(text)) {
            std::string safe;
            Split(
                text, [&](std::string_view run) { safe.append(run); },
                [&](unsigned char byte) { AppendByte(safe, byte); });
            value = std::move(safe);
        }
    } else if (value.is_structured()) {
        for (auto& member : value) {  // the keys are the host's own
            MakeJsonSafe(member);
        }
    }
}

}  // namespace session
