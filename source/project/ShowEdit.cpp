#include "project/ShowEdit.h"

#include <string>
#include <type_traits>

namespace project {

namespace {

std::string Place(std::size_t index) {
    return std::to_string(index + 1);
}

} // namespace

base::Status CheckEdits(const std::vector<ShowEdit>& edits, std::size_t slideCount,
                        std::size_t trackCount) {
    auto count = [&](ItemKind kind) -> std::size_t& {
        return kind == ItemKind::Photo ? slideCount : trackCount;
    };
    for (const ShowEdit& e : edits) {
        base::Status fits = std::visit(
            [&](const auto& x) -> base::Status {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, edit::SetSlide>) {
                    if (x.Index >= slideCount)
                        return base::Fail("no photo " + Place(x.Index) + " to change");
                } else if constexpr (std::is_same_v<T, edit::SetTrack>) {
                    if (x.Index >= trackCount)
                        return base::Fail("no track " + Place(x.Index) + " to change");
                } else if constexpr (std::is_same_v<T, edit::InsertSlide>) {
                    if (x.Index > slideCount)
                        return base::Fail("no place " + Place(x.Index) + " for a photo");
                    ++slideCount;
                } else if constexpr (std::is_same_v<T, edit::InsertTrack>) {
                    if (x.Index > trackCount)
                        return base::Fail("no place " + Place(x.Index) + " for a track");
                    ++trackCount;
                } else if constexpr (std::is_same_v<T, edit::RemoveItem>) {
                    if (x.Index >= count(x.Kind))
                        return base::Fail("no item " + Place(x.Index) + " to take out");
                    --count(x.Kind);
                } else if constexpr (std::is_same_v<T, edit::MoveItem>) {
                    if (x.From == x.To || x.From >= count(x.Kind) || x.To >= count(x.Kind))
                        return base::Fail("no item " + Place(x.From) + " to move to " +
                                          Place(x.To));
                } else if constexpr (std::is_same_v<T, edit::ExchangeItems>) {
                    if (x.A == x.B || x.A >= count(x.Kind) || x.B >= count(x.Kind))
                        return base::Fail("no items " + Place(x.A) + " and " + Place(x.B) +
                                          " to exchange");
                }
                return {};
            },
            e);
        if (!fits)
            return fits;
    }
    return {};
}

bool MovesFiles(const ShowEdit& e) {
    return std::holds_alternative<edit::InsertSlide>(e) ||
           std::holds_alternative<edit::InsertTrack>(e) ||
           std::holds_alternative<edit::RemoveItem>(e);
}

base::Result<std::vector<ShowEdit>> ChangesBetween(const ShowContent& before,
                                                   const ShowContent& after) {
    if (before.Slides.size() != after.Slides.size() || before.Sounds.size() != after.Sounds.size())
        return base::Fail("an edit of values added or removed items");
    std::vector<ShowEdit> edits;
    for (std::size_t i = 0; i < after.Slides.size(); ++i)
        if (!(before.Slides[i] == after.Slides[i]))
            edits.push_back(edit::SetSlide{i, after.Slides[i]});
    for (std::size_t i = 0; i < after.Sounds.size(); ++i)
        if (!(before.Sounds[i] == after.Sounds[i]))
            edits.push_back(edit::SetTrack{i, after.Sounds[i]});
    if (!(before.Options == after.Options))
        edits.push_back(edit::SetOptions{after.Options});
    return edits;
}

} // namespace project
