#include "signal/property.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cstring>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

namespace {

// Text forms never depend on the stream's or the program's locale: they
// are the document format.
void WriteNumber(std::ostream& os, double v) {
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 6);
    os << std::string_view(buffer, static_cast<size_t>(end.ptr - buffer));
}

void WriteNumber(std::ostream& os, long v) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v);
    os << std::string_view(buffer, static_cast<size_t>(end.ptr - buffer));
}

// An optionally signed integer: hexadecimal after "0x" or "0X", octal after
// any other leading "0", decimal otherwise, whatever base the stream has.
bool ReadInteger(std::istream& is, std::int32_t& out) {
    const std::ios_base::fmtflags saved = is.flags();
    is.unsetf(std::ios_base::basefield);
    std::int32_t v = 0;
    is >> std::ws >> v;
    is.flags(saved);
    if (!is)
        return false;
    out = v;
    return true;
}

bool ReadDouble(std::istream& is, double& out) {
    double v = 0.0;
    is >> std::ws >> v;
    if (!is)
        return false;
    out = v;
    return true;
}

float NarrowToFloat(double v) {
    if (v > FLT_MAX)
        return FLT_MAX;
    if (v < -FLT_MAX)
        return -FLT_MAX;
    return static_cast<float>(v);
}

} // namespace

void MGProperty::CopyFrom(const MGProperty& source) {
    if (TypeCode() == source.TypeCode())
        CopyValue(source);
}

// --- bool

std::unique_ptr<MGProperty> MGBoolProperty::Clone() const {
    return std::make_unique<MGBoolProperty>(Value());
}

void MGBoolProperty::CopyValue(const MGProperty& source) {
    if (const auto* s = dynamic_cast<const MGBoolProperty*>(&source))
        Assign(*s);
}

void MGBoolProperty::Read(std::istream& is) {
    MarkChanged();
    long v = -1;
    is >> std::ws >> v;
    if (!is || (v != 0 && v != 1)) {
        SetValue(false);
        is.setstate(std::ios_base::failbit);
        return;
    }
    SetValue(v == 1);
}

void MGBoolProperty::Write(std::ostream& os) const {
    os << (Value() ? '1' : '0');
}

// --- int

std::unique_ptr<MGProperty> MGIntProperty::Clone() const {
    return std::make_unique<MGIntProperty>(Value());
}

void MGIntProperty::CopyValue(const MGProperty& source) {
    if (const auto* s = dynamic_cast<const MGIntProperty*>(&source))
        Assign(*s);
}

void MGIntProperty::Read(std::istream& is) {
    MarkChanged();
    std::int32_t v;
    if (ReadInteger(is, v))
        SetValue(v);
}

void MGIntProperty::Write(std::ostream& os) const {
    WriteNumber(os, static_cast<long>(Value()));
}

// --- double

std::unique_ptr<MGProperty> MGDoubleProperty::Clone() const {
    return std::make_unique<MGDoubleProperty>(Value());
}

void MGDoubleProperty::CopyValue(const MGProperty& source) {
    if (const auto* s = dynamic_cast<const MGDoubleProperty*>(&source))
        Assign(*s);
}

void MGDoubleProperty::Read(std::istream& is) {
    MarkChanged();
    double v;
    if (ReadDouble(is, v))
        SetValue(v);
}

void MGDoubleProperty::Write(std::ostream& os) const {
    WriteNumber(os, Value());
}

// --- range

std::unique_ptr<MGProperty> MGRangeProperty::Clone() const {
    const MGRange r = Value();
    return std::make_unique<MGRangeProperty>(r.lo, r.hi);
}

void MGRangeProperty::CopyValue(const MGProperty& source) {
    if (const auto* s = dynamic_cast<const MGRangeProperty*>(&source))
        Assign(*s);
}

void MGRangeProperty::Read(std::istream& is) {
    MarkChanged();
    double lo, hi;
    if (ReadDouble(is, lo) && ReadDouble(is, hi))
        SetValue(NarrowToFloat(lo), NarrowToFloat(hi));
}

void MGRangeProperty::Write(std::ostream& os) const {
    const MGRange r = Value();
    WriteNumber(os, static_cast<double>(r.lo));
    os << ' ';
    WriteNumber(os, static_cast<double>(r.hi));
}

// --- eight chars

void MG8CharsProperty::SetAt(int i, std::int8_t v) {
    // One writer only, but a compare-exchange keeps the eight bytes one
    // atomic value without relying on that.
    Chars expected = value.load(std::memory_order_relaxed);
    Chars desired;
    do {
        desired = expected;
        desired[static_cast<size_t>(i)] = v;
    } while (!value.compare_exchange_weak(expected, desired, std::memory_order_release,
                                          std::memory_order_relaxed));
    MarkChanged();
}

std::unique_ptr<MGProperty> MG8CharsProperty::Clone() const {
    auto copy = std::make_unique<MG8CharsProperty>();
    copy->value.store(Value(), std::memory_order_relaxed);
    return copy;
}

void MG8CharsProperty::CopyValue(const MGProperty& source) {
    if (const auto* s = dynamic_cast<const MG8CharsProperty*>(&source))
        Assign(*s);
}

void MG8CharsProperty::Read(std::istream& is) {
    MarkChanged();
    Chars chars;
    for (std::int8_t& c : chars) {
        std::int32_t v;
        if (!ReadInteger(is, v))
            return;
        c = static_cast<std::int8_t>(static_cast<std::uint32_t>(v) & 0xFF);
    }
    SetChars(chars);
}

void MG8CharsProperty::Write(std::ostream& os) const {
    for (const std::int8_t c : Value()) {
        WriteNumber(os, static_cast<long>(c));
        os << ' ';
    }
}

// --- string

MGCStringProperty::Reading::Reading(const MGCStringProperty& p) : property(p) {
    // Publish the pointer, then check that it is still the value: if the
    // writer swapped it meanwhile, it may not have seen the hazard, so try
    // again with the new one. Sequential consistency orders this against
    // the writer's swap-then-look.
    const char* current = p.value.load(std::memory_order_seq_cst);
    for (;;) {
        p.hazard.store(current, std::memory_order_seq_cst);
        const char* again = p.value.load(std::memory_order_seq_cst);
        if (again == current)
            break;
        current = again;
    }
    text = current;
}

MGCStringProperty::MGCStringProperty(const char* v) : MGProperty(CStringType) {
    if (v != nullptr)
        SetValue(v);
}

MGCStringProperty::~MGCStringProperty() {
    delete[] value.load(std::memory_order_relaxed);
    for (const char* p : retired)
        delete[] p;
}

const char* MGCStringProperty::Value() const {
    const char* v = value.load(std::memory_order_relaxed);
    return v != nullptr ? v : "";
}

void MGCStringProperty::SetValue(const char* v) {
    if (v == nullptr)
        v = "";
    if (std::strcmp(Value(), v) != 0) {
        const size_t length = std::strlen(v);
        char* copy = new char[length + 1];
        std::memcpy(copy, v, length + 1);
        const char* old = value.exchange(copy, std::memory_order_seq_cst);
        if (old != nullptr)
            retired.push_back(old);
        FreeRetired();
    }
    MarkChanged();
}

void MGCStringProperty::FreeRetired() {
    const char* inUse = hazard.load(std::memory_order_seq_cst);
    std::erase_if(retired, [inUse](const char* p) {
        if (p == inUse)
            return false;
        delete[] p;
        return true;
    });
}

std::unique_ptr<MGProperty> MGCStringProperty::Clone() const {
    auto copy = std::make_unique<MGCStringProperty>();
    copy->SetValue(Value());
    return copy;
}

void MGCStringProperty::CopyValue(const MGProperty& source) {
    if (const auto* s = dynamic_cast<const MGCStringProperty*>(&source))
        Assign(*s);
}

void MGCStringProperty::Read(std::istream& is) {
    is >> std::ws;
    if (is.get() != '"') {
        is.setstate(std::ios_base::failbit);
        return;
    }
    std::string text;
    for (;;) {
        int c = is.get();
        if (c == std::char_traits<char>::eof())
            return; // unclosed: get() has failed the stream
        if (c == '"')
            break;
        if (c == '\\') {
            c = is.get();
            if (c == std::char_traits<char>::eof())
                return;
        }
        text.push_back(static_cast<char>(c));
    }
    SetValue(text.c_str());
}

void MGCStringProperty::Write(std::ostream& os) const {
    os << '"';
    for (const char* p = Value(); *p != '\0'; ++p) {
        if (*p == '\\' || *p == '"')
            os << '\\';
        os << *p;
    }
    os << '"';
}
