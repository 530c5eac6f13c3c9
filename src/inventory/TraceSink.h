#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace hl {

// Where the table readers write their trace lines.
class ITraceSink {
public:
    virtual ~ITraceSink() = default;
    virtual void Write(std::string_view text) = 0;
};

// Writes to a C stream (standard output in the program, standard error in the report).
class StreamTraceSink : public ITraceSink {
public:
    explicit StreamTraceSink(std::FILE* stream) : m_stream(stream) {}
    void Write(std::string_view text) override;

private:
    std::FILE* m_stream;
};

// Collects everything written, for tests.
class CaptureTraceSink : public ITraceSink {
public:
    void Write(std::string_view text) override;
    std::string Text() const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::string m_text;
};

} // namespace hl
