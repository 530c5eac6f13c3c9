#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace hl {

// Where the table readers write their trace lines. A reader writes a line in pieces and then
// calls EndLine(), so a sink can hand each line on whole.
class ITraceSink {
public:
    virtual ~ITraceSink() = default;
    virtual void Write(std::string_view text) = 0;
    // The line written since the last call is complete.
    virtual void EndLine() {}
};

// Writes to a C stream (standard output in the program, standard error in the report). With
// flushEachLine every complete line is flushed at once, so a reader of a pipe sees whole lines
// as they are made and nothing is left in the buffer when the program ends.
class StreamTraceSink : public ITraceSink {
public:
    explicit StreamTraceSink(std::FILE* stream, bool flushEachLine = false)
        : m_stream(stream), m_bFlushEachLine(flushEachLine) {}
    void Write(std::string_view text) override;
    void EndLine() override;

private:
    std::FILE* m_stream;
    bool m_bFlushEachLine;
};

// Drops everything: trace output switched off.
class NullTraceSink : public ITraceSink {
public:
    void Write(std::string_view) override {}
};

// Collects everything written, for tests.
class CaptureTraceSink : public ITraceSink {
public:
    void Write(std::string_view text) override;
    void EndLine() override;
    std::string Text() const;
    // Complete lines seen so far.
    int Lines() const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::string m_text;
    int m_nLines = 0;
};

} // namespace hl
