#pragma once

#include <unistd.h>

#include <utility>

// An owned file descriptor, closed with its owner.
class TUniqueFd {
public:
    TUniqueFd() = default;
    explicit TUniqueFd(int descriptor) : Descriptor(descriptor) {}
    TUniqueFd(TUniqueFd&& other) noexcept : Descriptor(std::exchange(other.Descriptor, -1)) {}
    TUniqueFd& operator=(TUniqueFd&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.Descriptor, -1));
        }
        return *this;
    }
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;
    ~TUniqueFd() { Reset(); }

    int Get() const { return Descriptor; }
    bool Valid() const { return Descriptor >= 0; }
    int Release() { return std::exchange(Descriptor, -1); }
    void Reset(int descriptor = -1) {
        if (Descriptor >= 0) {
            ::close(Descriptor);
        }
        Descriptor = descriptor;
    }

private:
    int Descriptor = -1;
};
