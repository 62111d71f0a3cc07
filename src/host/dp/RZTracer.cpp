#include "dp/RZTracer.h"

#include <cstdarg>
#include <cstdio>
#include <iostream>
#include <utility>

namespace dp {
namespace {

void WriteToStandardError(const TraceRecord& record) {
    std::string line =
        "[" + record.category + "/" + record.name + " " + std::to_string(record.type) + "] " + record.text;
    if (line.empty() || line.back() != '\n') {
        line += '\n';
    }
    std::cerr << line << std::flush;
}

// The sink is swapped as a whole and called outside the lock, so a sink may itself trace or replace
// the sink.
struct SinkHolder {
    std::mutex mutex;
    std::shared_ptr<const TraceSink> sink = std::make_shared<const TraceSink>(WriteToStandardError);
};

SinkHolder& Holder() {
    static SinkHolder* holder = new SinkHolder;  // never destroyed: tracing works during static teardown
    return *holder;
}

std::string FormatText(const char* format, va_list arguments) {
    va_list copy;
    va_copy(copy, arguments);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, arguments);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace

TraceSink SetTraceSink(TraceSink sink) {
    auto replacement =
        std::make_shared<const TraceSink>(sink ? std::move(sink) : TraceSink(WriteToStandardError));
    std::lock_guard lock(Holder().mutex);
    std::shared_ptr<const TraceSink> previous = std::exchange(Holder().sink, std::move(replacement));
    return *previous;
}

void TraceFormatter::Emit(std::string text) const {
    std::shared_ptr<const TraceSink> sink;
    {
        std::lock_guard lock(Holder().mutex);
        sink = Holder().sink;
    }
    (*sink)(TraceRecord{tracer_.GetCategory(), tracer_.GetName(), type_, std::move(text)});
}

TraceFormatter& TraceFormatter::operator<<(std::string_view piece) {
    std::string completed;
    {
        std::lock_guard lock(mutex_);
        pending_.append(piece);
        if (piece.empty() || piece.back() != '\n') {
            return *this;
        }
        completed.swap(pending_);
    }
    Emit(std::move(completed));
    return *this;
}

TraceFormatter& TraceFormatter::operator<<(int value) {
    return *this << std::to_string(value);
}
TraceFormatter& TraceFormatter::operator<<(unsigned int value) {
    return *this << std::to_string(value);
}
TraceFormatter& TraceFormatter::operator<<(long value) {
    return *this << std::to_string(value);
}
TraceFormatter& TraceFormatter::operator<<(unsigned long value) {
    return *this << std::to_string(value);
}
TraceFormatter& TraceFormatter::operator<<(long long value) {
    return *this << std::to_string(value);
}
TraceFormatter& TraceFormatter::operator<<(unsigned long long value) {
    return *this << std::to_string(value);
}
TraceFormatter& TraceFormatter::operator<<(double value) {
    return *this << std::to_string(value);
}

void TraceFormatter::Format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = FormatText(format, arguments);
    va_end(arguments);
    std::string partial;
    {
        std::lock_guard lock(mutex_);
        partial.swap(pending_);
    }
    if (!partial.empty()) {
        Emit(std::move(partial));
    }
    Emit(std::move(text));
}

RZTracer::RZTracer(std::string category, std::string name)
    : category_(std::move(category)), name_(std::move(name)) {}

RZTracer::~RZTracer() {
    for (auto& [type, formatter] : formatters_) {
        if (!formatter->pending_.empty()) {
            formatter->Emit(std::move(formatter->pending_));
        }
    }
}

TraceFormatter& RZTracer::GetFormatter(int type) {
    std::lock_guard lock(mutex_);
    std::unique_ptr<TraceFormatter>& formatter = formatters_[type];
    if (!formatter) {
        formatter.reset(new TraceFormatter(*this, type));
    }
    return *formatter;
}

void RZTracer::Format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = FormatText(format, arguments);
    va_end(arguments);
    GetFormatter(0).Emit(std::move(text));
}

}  // namespace dp
