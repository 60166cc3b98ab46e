#pragma once
// A message parameter: an integer, or a typed value where the original packs a
// pointer into the integer (a record, a text, a window). A typed value is read
// back with As<T>() under the exact type it was stored with; any other type
// gives nullptr, so a wrong guess never reads a wrong object.
//
//   SendMessage(WM_PAGE_ACTION, 10107, 3);                      // integers
//   SendMessage(WM_PAGE_ACTION, MsgParam::Of(&record), 5);      // a pointer
//   PostMessage(0x1402, size, MsgParam::Of(std::make_shared<const std::string>(data)));
//   if (const CYear* y = wParam.As<CYear>()) ...
#include <any>
#include <cstdint>
#include <memory>
#include <type_traits>

class MsgParam {
public:
    MsgParam() = default;
    template <class I, std::enable_if_t<std::is_integral_v<I> || std::is_enum_v<I>, int> = 0>
    MsgParam(I value) : m_value(static_cast<intptr_t>(value))
    {
    }

    // A pointer (valid for a SendMessage), a shared pointer (ownership travels
    // with a PostMessage) or a value copied into the parameter.
    template <class T> static MsgParam Of(T value)
    {
        MsgParam p;
        p.m_typed = std::move(value);
        return p;
    }

    // The integer; 0 for a typed parameter.
    intptr_t Value() const { return m_value; }
    int Int() const { return static_cast<int>(m_value); }
    bool IsTyped() const { return m_typed.has_value(); }

    // The typed value stored as T*, const T*, std::shared_ptr<T> or T; else nullptr.
    template <class T> T* As() const
    {
        using U = std::remove_const_t<T>;
        if (auto p = std::any_cast<T*>(&m_typed))
            return *p;
        if constexpr (std::is_const_v<T>) {
            if (auto p = std::any_cast<U*>(&m_typed))
                return *p;
            if (auto p = std::any_cast<std::shared_ptr<const U>>(&m_typed))
                return p->get();
        }
        if (auto p = std::any_cast<std::shared_ptr<U>>(&m_typed))
            return p->get();
        // A value can only have been stored by copy: records that cannot be
        // copied travel by pointer.
        if constexpr (std::is_copy_constructible_v<U>) {
            if (auto p = std::any_cast<U>(&m_typed))
                return p;
        }
        return nullptr;
    }

private:
    intptr_t m_value = 0;
    mutable std::any m_typed;
};

using WPARAM = MsgParam;
using LPARAM = MsgParam;
