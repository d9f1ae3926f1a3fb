#pragma once

// Failures of the sound devices. Each carries the device's result code; its
// message is the system's text for that code.

#include <stdexcept>
#include <string>

class EWaveOutError : public std::runtime_error {
public:
    EWaveOutError(int code, const std::string& text) : std::runtime_error(text), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

class EWaveInError : public std::runtime_error {
public:
    EWaveInError(int code, const std::string& text) : std::runtime_error(text), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};
