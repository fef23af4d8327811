#include "imaging/TransitionNames.h"

#include "base/Language.h"
#include "imaging/TransitionKinds.h"

namespace imaging {

QString TransitionName(int kind) {
    static const char* const kNames[kTransitionCount] = {
        "Нет эффекта",         "Цвет фона",         "Наплыв справа",       "Наплыв слева",
        "Наплыв снизу",        "Наплыв сверху",     "Появление справа",    "Появление слева",
        "Появление снизу",     "Появление сверху",  "Наплыв справа снизу", "Наплыв справа сверху",
        "Наплыв слева сверху", "Наплыв слева снизу"};
    if (IsSmoothTransition(kind))
        return base::AppLanguage().Text(TransitionTitleKey(kind),
                                        QString::fromUtf8(TransitionBuiltinTitle(kind)));
    if (kind < 0 || kind >= kTransitionCount)
        return QString();
    const int key = kind < 10 ? base::KeyNumber(base::TextKey::NoTransition) + kind
                              : base::KeyNumber(base::TextKey::SlideInBottomRight) + (kind - 10);
    return base::AppLanguage().Text(key, QString::fromUtf8(kNames[kind]));
}

} // namespace imaging
