#include "TempFolder.h"
#include "settings/store/RegFileFormat.h"
#include "settings/store/RegFileStore.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace hl {
namespace {

using test::Exists;
using test::ReadText;
using test::TempFolder;

constexpr const char* kKey = "Software\\Concurrent";

// What these tests look at (changes that follow one another, a file replaced whole) does not
// depend on flushing to the disk, which costs about 10 ms a write on a busy machine; so they
// run on a memory file system where there is one.
class ConcurrentFolder : public TempFolder {
public:
    ConcurrentFolder() : TempFolder(test::MemoryFolder()) {}
};

std::array<uint8_t, 4> LittleEndian(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

// Runs `body` in a child process that ends with its result; a child that hangs is ended by an
// alarm, so no test can wait for ever.
pid_t Spawn(const std::function<int()>& body) {
    pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(60);
        ::_exit(body());
    }
    return pid;
}

// The exit code of the child, or -1 when it did not exit normally.
int Wait(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The value as a number, or nullopt when the key or value is missing or not 4 bytes long.
std::optional<uint32_t> Query(RegFileStore& registry, const std::string& name) {
    RegKeyHandle key;
    if (registry.OpenKey(kHkeyCurrentUser, kKey, kKeyRead, key) != kErrorSuccess) {
        return std::nullopt;
    }
    std::array<uint8_t, 4> bytes{};
    uint32_t type = 0;
    uint32_t size = 0;
    if (registry.QueryValue(key, name, type, bytes, size) != kErrorSuccess || size != 4) {
        return std::nullopt;
    }
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// Writes values "<prefix>0" .. "<prefix><count - 1>", each holding its number.
int WriteValues(const std::string& folder, const std::string& prefix, uint32_t count) {
    RegFileStore registry(folder);
    RegKeyHandle key;
    if (registry.CreateKey(kHkeyCurrentUser, kKey, kKeyAllAccess, key) != kErrorSuccess) {
        return 1;
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (registry.SetValue(key, prefix + std::to_string(i), kRegBinary, LittleEndian(i)) !=
            kErrorSuccess) {
            return 2;
        }
    }
    return 0;
}

TEST(RegistryProcesses, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr uint32_t kCount = 500;
    ConcurrentFolder temp;
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    // Both writers wait until the gate closes, then start together.
    auto writer = [&](const std::string& prefix) {
        return [&, prefix] {
            ::close(gate[1]);
            char c = 0;
            while (::read(gate[0], &c, 1) < 0 && errno == EINTR) {
            }
            return WriteValues(temp.Path(), prefix, kCount);
        };
    };
    pid_t first = Spawn(writer("A"));
    pid_t second = Spawn(writer("B"));
    ::close(gate[0]);
    ::close(gate[1]);
    EXPECT_EQ(Wait(first), 0);
    EXPECT_EQ(Wait(second), 0);

    RegFileStore registry(temp.Path());
    uint32_t missing = 0;
    for (const char* prefix : {"A", "B"}) {
        for (uint32_t i = 0; i < kCount; ++i) {
            std::string name = prefix + std::to_string(i);
            if (Query(registry, name) != i) {
                ++missing;
                ADD_FAILURE_AT(__FILE__, __LINE__) << name << " is missing or wrong";
            }
        }
    }
    EXPECT_EQ(missing, 0u);
}

// A child writes an endless sequence 1, 2, 3 ... into kSlots values (value "V<n % kSlots>"
// gets n) and reports each completed write through a pipe. It is killed at a random moment;
// afterwards the file must parse and hold every reported write, and the next child carries
// on from there.
TEST(RegistryProcesses, WriterKilledAtRandomMomentsNeverLeavesATornFile) {
    constexpr int kRounds = 300;
    constexpr uint32_t kSlots = 16;
    ConcurrentFolder temp;
    const std::string folder = temp.Path();
    RegFileStore reader(folder);

    // Kill within a few write times, so that the moments cover the whole write. The longest
    // delay follows the machine's speed: it grows after a round that completed no write and
    // shrinks after one that did, so both kinds of round keep coming on a slow or busy machine.
    auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(WriteValues(folder, "Warmup", 20), 0);
    auto perWrite =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - started) / 20;
    double maxDelayUs = std::clamp(perWrite.count() * 4, 200.0, 30000.0);

    std::mt19937 random(20261211);
    uint32_t completed = 0; // writes 1 .. completed are known to have finished
    int roundsWithProgress = 0;
    for (int round = 0; round < kRounds; ++round) {
        int report[2];
        ASSERT_EQ(::pipe(report), 0);
        const uint32_t start = completed + 1;
        pid_t child = Spawn([&] {
            ::close(report[0]);
            RegFileStore registry(folder);
            RegKeyHandle key;
            uint32_t ready = 0;
            if (registry.CreateKey(kHkeyCurrentUser, kKey, kKeyAllAccess, key) != kErrorSuccess ||
                ::write(report[1], &ready, sizeof ready) != sizeof ready) {
                return 1;
            }
            for (uint32_t n = start;; ++n) {
                if (registry.SetValue(key, "V" + std::to_string(n % kSlots), kRegBinary,
                                      LittleEndian(n)) != kErrorSuccess ||
                    ::write(report[1], &n, sizeof n) != sizeof n) {
                    return 2;
                }
            }
        });
        ASSERT_GT(child, 0);
        ::close(report[1]);
        // The child reports 0 when it is about to write; the delay counts from there.
        uint32_t n = 1;
        ASSERT_EQ(::read(report[0], &n, sizeof n), static_cast<ssize_t>(sizeof n));
        ASSERT_EQ(n, 0u);
        std::uniform_real_distribution<double> delayUs(0, maxDelayUs);
        std::this_thread::sleep_for(std::chrono::duration<double, std::micro>(delayUs(random)));
        ::kill(child, SIGKILL);
        EXPECT_EQ(Wait(child), -1) << "the writer stopped by itself";
        uint32_t before = completed;
        while (::read(report[0], &n, sizeof n) == sizeof n) {
            completed = n;
        }
        ::close(report[0]);
        bool progressed = completed > before;
        roundsWithProgress += progressed ? 1 : 0;
        maxDelayUs = std::clamp(maxDelayUs * (progressed ? 0.95 : 1.25), 200.0, 100000.0);

        RegDocument document;
        ASSERT_TRUE(ParseRegFile(ReadText(reader.FilePath()), document)) << "round " << round;
        for (uint32_t slot = 0; slot < kSlots; ++slot) {
            // The newest completed write of this slot; the write in flight may have landed too.
            uint32_t latest = completed - (completed + kSlots - slot) % kSlots;
            std::optional<uint32_t> value = Query(reader, "V" + std::to_string(slot));
            bool inFlight = (completed + 1) % kSlots == slot && value == completed + 1;
            if (latest == 0 || latest > completed) {
                EXPECT_TRUE(!value || inFlight) << "round " << round << " slot " << slot;
            } else {
                ASSERT_TRUE(value == latest || inFlight)
                    << "round " << round << " slot " << slot << " holds "
                    << (value ? std::to_string(*value) : "nothing") << ", expected " << latest;
            }
        }
    }
    RecordProperty("roundsWithProgress", roundsWithProgress);
    RecordProperty("completedWrites", static_cast<int>(completed));
    EXPECT_FALSE(Exists(reader.FilePath() + ".damaged"));
    EXPECT_GT(roundsWithProgress, kRounds / 10) << "the kills came too early to test anything";
}

} // namespace
} // namespace hl
