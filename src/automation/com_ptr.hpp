// Owns one COM interface reference.
#pragma once

#include <utility>

#include <unknwn.h>

namespace nelvo::automation {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept
    {
        reset();
        p_ = std::exchange(o.p_, nullptr);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset()
    {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    // For out parameters: releases what is held first.
    T** put()
    {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

}  // namespace nelvo::automation
