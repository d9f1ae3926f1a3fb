#pragma once

// Typed properties: the parameters of a processor that its window sets, its
// Process reads and documents and presets store as text.
//
// Threads: properties are written by the interface thread (windows,
// document loading, preset recall) without any lock and read by the
// processing thread in Process. Every value is an atomic, and every setter
// stores the value before it sets the changed mark (release), so a
// processor that finds the mark set (acquire) reads at least that value.
// A value written during a block is picked up at the next one.
//
// The flags word: bits 0-11 the type code, bit 14 the changed mark, the
// other bits always zero.

#include <array>
#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

class MGProperty {
public:
    static constexpr std::uint16_t TypeMask = 0x0FFF;
    static constexpr std::uint16_t ChangedMark = 0x4000;

    enum Type : std::uint16_t {
        BoolType = 0,
        IntType = 1,
        DoubleType = 2,
        RangeType = 3,
        CStringType = 5,
        EightCharsType = 6,
    };

    std::atomic<std::uint16_t> flags;

    MGProperty(const MGProperty&) = delete;
    MGProperty& operator=(const MGProperty&) = delete;
    virtual ~MGProperty() = default;

    // A new property of the same class with the same value and its changed
    // mark set.
    virtual std::unique_ptr<MGProperty> Clone() const = 0;

    // Copies the source's value when both carry the same type code, else
    // does nothing. Leaves the changed mark alone, except that a string
    // property sets it.
    void CopyFrom(const MGProperty& source);

    // Parses the text form, stores the value and sets the changed mark.
    // Failures fail the stream and keep the value (a bool becomes false).
    virtual void Read(std::istream& is) = 0;

    // Prints the text form.
    virtual void Write(std::ostream& os) const = 0;

    int TypeCode() const { return flags.load(std::memory_order_relaxed) & TypeMask; }
    bool IsChanged() const { return (flags.load(std::memory_order_acquire) & ChangedMark) != 0; }
    void MarkChanged() { flags.fetch_or(ChangedMark, std::memory_order_release); }

    // The processor's test at the start of Process: whether the value was
    // set since the last test; clears the mark. Values read after it are at
    // least as new as the set that raised the mark.
    bool TestAndClearChanged() {
        return (flags.fetch_and(0xAFFF, std::memory_order_acquire) & ChangedMark) != 0;
    }

protected:
    explicit MGProperty(Type type) : flags(static_cast<std::uint16_t>(ChangedMark | type)) {}

    // Called by CopyFrom once the type codes match.
    virtual void CopyValue(const MGProperty& source) = 0;
};

class MGBoolProperty : public MGProperty {
public:
    MGBoolProperty(bool v = false) : MGProperty(BoolType), value(v) {}

    bool Value() const { return value.load(std::memory_order_acquire); }
    void SetValue(bool v) {
        value.store(v, std::memory_order_release);
        MarkChanged();
    }
    void Assign(const MGBoolProperty& source) {
        value.store(source.Value(), std::memory_order_release);
    }

    std::unique_ptr<MGProperty> Clone() const override;
    void Read(std::istream& is) override;
    void Write(std::ostream& os) const override;

protected:
    void CopyValue(const MGProperty& source) override;

private:
    std::atomic<bool> value;
};

class MGIntProperty : public MGProperty {
public:
    MGIntProperty(std::int32_t v = 0) : MGProperty(IntType), value(v) {}

    std::int32_t Value() const { return value.load(std::memory_order_acquire); }
    void SetValue(std::int32_t v) {
        value.store(v, std::memory_order_release);
        MarkChanged();
    }
    void Assign(const MGIntProperty& source) {
        value.store(source.Value(), std::memory_order_release);
    }

    std::unique_ptr<MGProperty> Clone() const override;
    // Decimal, or hexadecimal after "0x", or octal after a leading "0".
    void Read(std::istream& is) override;
    void Write(std::ostream& os) const override;

protected:
    void CopyValue(const MGProperty& source) override;

private:
    std::atomic<std::int32_t> value;
};

class MGDoubleProperty : public MGProperty {
public:
    MGDoubleProperty(double v = 0.0) : MGProperty(DoubleType), value(v) {}

    double Value() const { return value.load(std::memory_order_acquire); }
    void SetValue(double v) {
        value.store(v, std::memory_order_release);
        MarkChanged();
    }
    void Assign(const MGDoubleProperty& source) {
        value.store(source.Value(), std::memory_order_release);
    }

    std::unique_ptr<MGProperty> Clone() const override;
    void Read(std::istream& is) override;
    // Six significant digits, the shorter of fixed and exponent notation.
    void Write(std::ostream& os) const override;

protected:
    void CopyValue(const MGProperty& source) override;

private:
    std::atomic<double> value;
};

struct MGRange {
    float lo;
    float hi;
};

class MGRangeProperty : public MGProperty {
public:
    MGRangeProperty(float lo = 0.0f, float hi = 0.0f)
        : MGProperty(RangeType), value(MGRange{lo, hi}) {}

    // Both ends come from the same set.
    MGRange Value() const { return value.load(std::memory_order_acquire); }
    float Lo() const { return Value().lo; }
    float Hi() const { return Value().hi; }
    void SetValue(float lo, float hi) {
        value.store(MGRange{lo, hi}, std::memory_order_release);
        MarkChanged();
    }
    void Assign(const MGRangeProperty& source) {
        value.store(source.Value(), std::memory_order_release);
    }

    std::unique_ptr<MGProperty> Clone() const override;
    // Two numbers, each narrowed to float; beyond the float range a number
    // becomes the largest float of its sign.
    void Read(std::istream& is) override;
    void Write(std::ostream& os) const override;

protected:
    void CopyValue(const MGProperty& source) override;

private:
    std::atomic<MGRange> value;
    static_assert(std::atomic<MGRange>::is_always_lock_free);
};

// Eight signed bytes set and read as one value (a sequencer's notes).
class MG8CharsProperty : public MGProperty {
public:
    using Chars = std::array<std::int8_t, 8>;

    MG8CharsProperty(std::int8_t fill = 0) : MGProperty(EightCharsType), value(Filled(fill)) {}

    Chars Value() const { return value.load(std::memory_order_acquire); }
    std::int8_t At(int i) const { return Value()[static_cast<size_t>(i)]; }
    void SetChars(const Chars& chars) {
        value.store(chars, std::memory_order_release);
        MarkChanged();
    }
    // Sets one byte, 0 <= i < 8.
    void SetAt(int i, std::int8_t v);
    void Assign(const MG8CharsProperty& source) {
        value.store(source.Value(), std::memory_order_release);
    }

    std::unique_ptr<MGProperty> Clone() const override;
    // Eight integers read as by MGIntProperty; each keeps its low byte.
    void Read(std::istream& is) override;
    // Each byte in decimal followed by one space.
    void Write(std::ostream& os) const override;

protected:
    void CopyValue(const MGProperty& source) override;

private:
    static Chars Filled(std::int8_t fill) {
        Chars c;
        c.fill(fill);
        return c;
    }

    std::atomic<Chars> value;
    static_assert(std::atomic<Chars>::is_always_lock_free);
};

// A string property. Its value is a pointer to an owned, zero-terminated
// copy (null reads as "").
//
// Only the interface thread sets the value; it may read it directly with
// Value(). The processing thread reads it through a Reading guard. A new
// value is a new buffer swapped in atomically; the old one is retired, not
// freed at once: the guard publishes the pointer it reads (a hazard
// pointer), and the writer frees a retired buffer only when no guard holds
// it. So a reader never sees freed memory, and at most one retired buffer
// outlives the next set.
class MGCStringProperty : public MGProperty {
public:
    // The processing thread's view of the value, valid while the guard
    // lives. One guard per property at a time.
    class Reading {
    public:
        explicit Reading(const MGCStringProperty& property);
        ~Reading() { property.hazard.store(nullptr, std::memory_order_release); }
        Reading(const Reading&) = delete;
        Reading& operator=(const Reading&) = delete;

        const char* Text() const { return text != nullptr ? text : ""; }

    private:
        const MGCStringProperty& property;
        const char* text;
    };

    MGCStringProperty(const char* v = nullptr);
    ~MGCStringProperty() override;

    // The value on the thread that sets it (the interface thread).
    const char* Value() const;

    // Null means "". Stores a copy unless the value already has the same
    // characters; sets the changed mark in either case.
    void SetValue(const char* v);
    void Assign(const MGCStringProperty& source) { SetValue(source.Value()); }

    std::unique_ptr<MGProperty> Clone() const override;
    // A double-quoted text in which a backslash takes the next character
    // literally. Any length; an unclosed text fails the stream and keeps
    // the value.
    void Read(std::istream& is) override;
    // Between double quotes, with backslash and double quote escaped.
    void Write(std::ostream& os) const override;

protected:
    void CopyValue(const MGProperty& source) override;

private:
    void FreeRetired();

    std::atomic<const char*> value{nullptr};
    // The buffer a Reading guard is using, or null.
    mutable std::atomic<const char*> hazard{nullptr};
    // Replaced buffers not yet freed; touched by the writing thread only.
    std::vector<const char*> retired;
};
