#pragma once
// A non-owning reference to something callable, for callbacks made once per archive member or
// per game: unlike std::function it never allocates and costs one indirect call.
#include <memory>
#include <type_traits>
#include <utility>

template <class Signature>
class TFunctionRef;

template <class R, class... Args>
class TFunctionRef<R(Args...)> {
 public:
  // The callable must outlive the reference (pass lambdas straight into the call).
  template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TFunctionRef> &&
                                              std::is_invocable_r_v<R, F&, Args...>>>
  TFunctionRef(F&& f)  // NOLINT: implicit, like std::function
      : FObject(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
        FCall([](void* object, Args... args) -> R {
          return (*static_cast<std::remove_reference_t<F>*>(object))(std::forward<Args>(args)...);
        }) {}

  R operator()(Args... args) const { return FCall(FObject, std::forward<Args>(args)...); }

 private:
  void* FObject;
  R (*FCall)(void*, Args...);
};
