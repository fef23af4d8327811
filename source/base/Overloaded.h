// A visitor made of lambdas, one per alternative of a variant: std::visit over it refuses to
// compile when an alternative has no lambda, so a new alternative names every place to handle it.
#pragma once

#include <type_traits>

namespace base {

template <typename... Fs> struct Overloaded : Fs... { using Fs::operator()...; };
template <typename... Fs> Overloaded(Fs...) -> Overloaded<Fs...>;

// To, const when From is: for visitors that serve a const and a mutable variant alike.
template <typename From, typename To>
using LikeConst = std::conditional_t<std::is_const_v<From>, const To, To>;

} // namespace base
