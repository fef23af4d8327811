// What a save, a load, an edit or an import came to, in a form the tests compare: a save's, a
// load's or any other result's outcome (none when it failed), an import's kind, and a failure's
// message ("" when none).
#pragma once

#include "project/Import.h"
#include "project/ProjectFile.h"

#include <optional>
#include <string>
#include <type_traits>

namespace outcomes {

inline std::optional<project::SaveOutcome> OutcomeOf(const project::SaveResult& r) {
    return r ? std::optional(*r) : std::nullopt;
}
inline std::optional<project::LoadOutcome> OutcomeOf(const project::LoadResult& r) {
    return r ? std::optional(r->Outcome) : std::nullopt;
}
// The outcome a result carries (a commit's, an autosave's start), none when it failed.
template <typename E>
requires std::is_enum_v<E> std::optional<E> OutcomeOf(const base::Result<E>& r) {
    return r ? std::optional(*r) : std::nullopt;
}
// The same for a result whose report names its outcome (an export's).
template <typename T>
requires requires(const T& report) {
    report.Outcome;
}
auto OutcomeOf(const base::Result<T>& r) -> std::optional<decltype(T::Outcome)> {
    return r ? std::optional(r->Outcome) : std::nullopt;
}
inline const std::optional<project::SaveOutcome> kSaveFailed;
inline const std::optional<project::LoadOutcome> kLoadFailed;

enum class ImportKind { Added, Skipped, Failed };
template <typename N> ImportKind ImportKindOf(const base::Result<N>& r) {
    return !r ? ImportKind::Failed : r->Added ? ImportKind::Added : ImportKind::Skipped;
}

template <typename T> std::string ErrorOf(const base::Result<T>& r) {
    return r ? std::string() : r.error();
}

} // namespace outcomes
