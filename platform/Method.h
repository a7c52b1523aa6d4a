// Method pointers in the toolkit's sense: a code and data pair that can be
// called, copied, tested for being set and compared. Two events are equal when
// both halves are equal, so a list of handlers can remove exactly the one it was
// given (the toolkit compares TMethod records the same way).
//
//   OnChange = MakeEvent<&TFoo::Changed>(this);     // a method of an object
//   OnChange = [&](TObject* s) { ... };              // any callable
//
// A callable is held in a shared block; copies of one event share it and
// compare equal, two events made from separate callables never do.
#pragma once
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

class TObject;

// The raw pair, as the toolkit's TMethod record.
struct TMethod {
    const void* Code = nullptr;
    const void* Data = nullptr;
    bool operator==(const TMethod& o) const { return Code == o.Code && Data == o.Data; }
    bool operator!=(const TMethod& o) const { return !(*this == o); }
};

template <class Sig>
class TEvent;

template <class R, class... A>
class TEvent<R(A...)> {
public:
    using Thunk = R (*)(void*, A...);

    TEvent() = default;
    TEvent(std::nullptr_t) {}
    template <class F,
              class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TEvent> &&
                                       std::is_invocable_r_v<R, F&, A...>>>
    TEvent(F f) : Fn(std::make_shared<std::function<R(A...)>>(std::move(f))) {
        Code = &CallFunction;
        Data = Fn.get();
    }
    // The event of an object's method; Code is one function per method.
    static TEvent FromPair(Thunk code, void* data) {
        TEvent e;
        e.Code = code;
        e.Data = data;
        return e;
    }

    explicit operator bool() const { return Code != nullptr; }
    R operator()(A... a) const { return Code(Data, std::forward<A>(a)...); }
    bool operator==(const TEvent& o) const { return Code == o.Code && Data == o.Data; }
    bool operator!=(const TEvent& o) const { return !(*this == o); }
    bool operator==(std::nullptr_t) const { return Code == nullptr; }
    bool operator!=(std::nullptr_t) const { return Code != nullptr; }
    TMethod Method() const { return TMethod{reinterpret_cast<const void*>(Code), Data}; }

private:
    static R CallFunction(void* d, A... a) {
        return (*static_cast<std::function<R(A...)>*>(d))(std::forward<A>(a)...);
    }
    Thunk Code = nullptr;
    void* Data = nullptr;
    std::shared_ptr<std::function<R(A...)>> Fn;
};

namespace method_detail {
template <class M>
struct MemberTraits;
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...)> {
    using Class = C;
    using Sig = R(A...);
};
// The class is also a type parameter: with only the member pointer, GCC 12
// gives the instantiation for a class in an unnamed namespace external linkage,
// and equal names in two files would then share one function.
template <class Class, auto M, class Sig>
struct Caller;
template <class Class, auto M, class R, class... A>
struct Caller<Class, M, R(A...)> {
    static R Call(void* d, A... a) { return (static_cast<Class*>(d)->*M)(std::forward<A>(a)...); }
};
}  // namespace method_detail

// The event that calls method M of Obj (virtual methods dispatch as usual).
template <auto M, class C>
auto MakeEvent(C* Obj) {
    using Traits = method_detail::MemberTraits<decltype(M)>;
    using Base = typename Traits::Class;
    using Ev = TEvent<typename Traits::Sig>;
    return Ev::FromPair(&method_detail::Caller<Base, M, typename Traits::Sig>::Call,
                        static_cast<void*>(static_cast<Base*>(Obj)));
}

// The toolkit's notify event: Sender is the object that reports.
using TNotifyEvent = TEvent<void(TObject* Sender)>;
