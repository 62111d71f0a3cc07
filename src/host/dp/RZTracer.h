#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "du/HostExport.h"
#include "du/Symbol.h"

namespace dp {

// One completed trace line as the sink receives it. text is exactly what was written, its final newline
// included, so a test compares it with the literal the code wrote.
struct TraceRecord {
    std::string category;
    std::string name;
    int type = 0;
    std::string text;
};

using TraceSink = std::function<void(const TraceRecord& record)>;

// Replaces the process-wide destination of trace lines and answers the previous one; an empty sink restores
// the default, which writes "[category/name type] text" to standard error. The sink may be called from any
// thread, one call per line. Any thread.
RZHOST_API TraceSink SetTraceSink(TraceSink sink);

class RZTracer;

// Assembles trace lines of one trace type. Pieces are appended until a piece ends with a newline; that
// completes the line and sends it to the sink (a newline inside a piece does not). Format writes one whole
// line at once, printf-style.
//
//     tracer.GetFormatter(3) << "Unexpected tag offset " << tag << "for interface \"X\".\n";
//     tracer.Format("Actor %s shutting down queue 0x%08x\n", name, address);
class RZHOST_API TraceFormatter {
public:
    // Each appends one piece. Any thread (pieces of two threads on one formatter interleave).
    TraceFormatter& operator<<(std::string_view piece);
    TraceFormatter& operator<<(const char* piece) { return *this << std::string_view(piece ? piece : ""); }
    TraceFormatter& operator<<(const std::string& piece) { return *this << std::string_view(piece); }
    TraceFormatter& operator<<(const du::Symbol& piece) { return *this << piece.View(); }
    TraceFormatter& operator<<(char piece) { return *this << std::string_view(&piece, 1); }
    TraceFormatter& operator<<(int value);
    TraceFormatter& operator<<(unsigned int value);
    TraceFormatter& operator<<(long value);
    TraceFormatter& operator<<(unsigned long value);
    TraceFormatter& operator<<(long long value);
    TraceFormatter& operator<<(unsigned long long value);
    TraceFormatter& operator<<(double value);

    // Writes one line formatted like printf (a pending partial line is completed first). Any thread.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Any thread.
    int GetTraceType() const { return type_; }

private:
    friend class RZTracer;
    TraceFormatter(const RZTracer& tracer, int type) : tracer_(tracer), type_(type) {}
    void Emit(std::string text) const;

    const RZTracer& tracer_;
    int type_;
    std::mutex mutex_;
    std::string pending_;
};

// A named source of trace lines: a category (such as "workflow") and a name (a thread or class name).
class RZHOST_API RZTracer {
public:
    RZTracer(std::string category, std::string name);
    // A pending partial line of any formatter is sent as it stands.
    ~RZTracer();

    RZTracer(const RZTracer&) = delete;
    RZTracer& operator=(const RZTracer&) = delete;

    // The formatter of one trace type, made on first use and kept for the tracer's life. Any thread.
    TraceFormatter& GetFormatter(int type);
    // Writes one printf-style line with trace type 0. Any thread.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Any thread.
    const std::string& GetCategory() const { return category_; }
    // Any thread.
    const std::string& GetName() const { return name_; }

private:
    std::string category_;
    std::string name_;
    std::mutex mutex_;
    std::map<int, std::unique_ptr<TraceFormatter>> formatters_;
};

}  // namespace dp
