#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hl {

// The saved window layout: a header and the window's placement, stored as 58 little-endian
// bytes and written as text in the letter encoding (two letters per byte, "A" + the low four
// bits, then "A" + the high four bits).

// Placement flags and show commands.
inline constexpr uint32_t WPF_RESTORETOMAXIMIZED = 2;
inline constexpr uint32_t SW_SHOWNORMAL = 1;
inline constexpr uint32_t SW_SHOWMINIMIZED = 2;
inline constexpr uint32_t SW_SHOWMAXIMIZED = 3;
inline constexpr uint32_t SW_SHOW = 5;

// The length of the placement fields; a record with length 0 holds no placement.
inline constexpr uint32_t kPlacementLength = 44;
inline constexpr uint32_t kLayoutVersion = 2;
inline constexpr size_t kLayoutRecordSize = 58;

struct PlacementPoint {
    int32_t x = -1;
    int32_t y = -1;
    bool operator==(const PlacementPoint&) const = default;
};

struct PlacementRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool operator==(const PlacementRect&) const = default;
};

struct WindowPlacement {
    uint32_t length = kPlacementLength;
    uint32_t flags = 0;
    uint32_t showCmd = SW_SHOWNORMAL;
    PlacementPoint minPosition;
    PlacementPoint maxPosition;
    PlacementRect normalPosition;
    bool operator==(const WindowPlacement&) const = default;
};

struct LayoutRecord {
    uint32_t version = kLayoutVersion;
    // The primary screen's size when saved (versions above 1 only; not used on reading).
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    uint16_t toolbarRecords = 0;
    WindowPlacement placement;
    bool operator==(const LayoutRecord&) const = default;
};

// The 58 bytes of a version 2 record (the version field is written as 2 whatever it holds,
// with no toolbar records).
std::vector<uint8_t> EncodeLayout(const LayoutRecord& record);
// The record in `bytes`: the version, the screen size when the version is above 1, the
// number of toolbar records, then the placement. Nothing when the bytes end before the
// placement is complete, or when toolbar records follow (their format is not known, so the
// placement after them cannot be found). Bytes after the placement are ignored.
std::optional<LayoutRecord> DecodeLayout(std::span<const uint8_t> bytes);

// Bytes as letters and back; nothing for text of odd length or with a character outside
// "A".."P".
std::string ToLetters(std::span<const uint8_t> bytes);
std::optional<std::vector<uint8_t>> FromLetters(std::string_view letters);

} // namespace hl
