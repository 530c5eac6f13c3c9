#include "app/LayoutRecord.h"

namespace hl {
namespace {

class Writer {
public:
    void U16(uint16_t value) {
        for (int i = 0; i < 2; ++i) {
            m_bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
    }
    void U32(uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            m_bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
    }
    void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
    std::vector<uint8_t> Take() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
};

// Reads little-endian fields until the bytes run out; then every read fails.
class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    bool U16(uint16_t& value) {
        uint32_t wide = 0;
        if (!Read(2, wide)) {
            return false;
        }
        value = static_cast<uint16_t>(wide);
        return true;
    }
    bool U32(uint32_t& value) { return Read(4, value); }
    bool I32(int32_t& value) {
        uint32_t raw = 0;
        if (!Read(4, raw)) {
            return false;
        }
        value = static_cast<int32_t>(raw);
        return true;
    }

private:
    bool Read(size_t size, uint32_t& value) {
        if (m_bytes.size() - m_offset < size) {
            return false;
        }
        value = 0;
        for (size_t i = 0; i < size; ++i) {
            value |= static_cast<uint32_t>(m_bytes[m_offset + i]) << (8 * i);
        }
        m_offset += size;
        return true;
    }

    std::span<const uint8_t> m_bytes;
    size_t m_offset = 0;
};

} // namespace

std::vector<uint8_t> EncodeLayout(const LayoutRecord& record) {
    Writer out;
    out.U32(kLayoutVersion);
    out.I32(record.screenWidth);
    out.I32(record.screenHeight);
    out.U16(0);
    const WindowPlacement& p = record.placement;
    out.U32(p.length);
    out.U32(p.flags);
    out.U32(p.showCmd);
    out.I32(p.minPosition.x);
    out.I32(p.minPosition.y);
    out.I32(p.maxPosition.x);
    out.I32(p.maxPosition.y);
    out.I32(p.normalPosition.left);
    out.I32(p.normalPosition.top);
    out.I32(p.normalPosition.right);
    out.I32(p.normalPosition.bottom);
    return out.Take();
}

std::optional<LayoutRecord> DecodeLayout(std::span<const uint8_t> bytes) {
    Reader in(bytes);
    LayoutRecord record;
    if (!in.U32(record.version)) {
        return std::nullopt;
    }
    if (record.version > 1 && !(in.I32(record.screenWidth) && in.I32(record.screenHeight))) {
        return std::nullopt;
    }
    if (!in.U16(record.toolbarRecords) || record.toolbarRecords != 0) {
        return std::nullopt;
    }
    WindowPlacement& p = record.placement;
    const bool complete = in.U32(p.length) && in.U32(p.flags) && in.U32(p.showCmd) &&
                          in.I32(p.minPosition.x) && in.I32(p.minPosition.y) &&
                          in.I32(p.maxPosition.x) && in.I32(p.maxPosition.y) &&
                          in.I32(p.normalPosition.left) && in.I32(p.normalPosition.top) &&
                          in.I32(p.normalPosition.right) && in.I32(p.normalPosition.bottom);
    if (!complete) {
        return std::nullopt;
    }
    return record;
}

std::string ToLetters(std::span<const uint8_t> bytes) {
    std::string letters;
    letters.reserve(bytes.size() * 2);
    for (const uint8_t byte : bytes) {
        letters.push_back(static_cast<char>('A' + (byte & 0x0F)));
        letters.push_back(static_cast<char>('A' + (byte >> 4)));
    }
    return letters;
}

std::optional<std::vector<uint8_t>> FromLetters(std::string_view letters) {
    if (letters.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(letters.size() / 2);
    for (size_t i = 0; i < letters.size(); i += 2) {
        const char low = letters[i];
        const char high = letters[i + 1];
        if (low < 'A' || low > 'P' || high < 'A' || high > 'P') {
            return std::nullopt;
        }
        bytes.push_back(static_cast<uint8_t>((low - 'A') | ((high - 'A') << 4)));
    }
    return bytes;
}

} // namespace hl
