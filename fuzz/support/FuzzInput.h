#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Fuzz bytes read as a stream of small choices. Once the bytes run out every read answers 0 (or ""), so
// a target never needs to check for the end before it reads; it checks Done() to stop its loop.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Done() const { return position_ >= size_; }
    std::uint8_t Byte() { return Done() ? 0 : data_[position_++]; }
    bool Flag() { return (Byte() & 1) != 0; }
    // A value below count (0 for count 0).
    std::size_t Below(std::size_t count) { return count == 0 ? 0 : Byte() % count; }
    std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
    std::uint32_t Number() {
        return static_cast<std::uint32_t>(Word()) | (static_cast<std::uint32_t>(Word()) << 16);
    }
    // A length byte, then that many bytes (at most maxLength).
    std::string Text(std::size_t maxLength) {
        const std::size_t length = Below(maxLength + 1);
        std::string text;
        while (text.size() < length && !Done()) {
            text += static_cast<char>(Byte());
        }
        return text;
    }
    template <class T, std::size_t N>
    const T& Pick(const T (&choices)[N]) {
        return choices[Below(N)];
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace fuzz
