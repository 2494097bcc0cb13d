#include "MenuWindows.h"

#include <QHash>

namespace {

QHash<QString, MenuWindowFactory>& Registry() {
    static QHash<QString, MenuWindowFactory> registry;
    return registry;
}

}  // namespace

bool RegisterMenuWindow(const QString& button, MenuWindowFactory factory) {
    Registry().insert(button, std::move(factory));
    return true;
}

MenuWindowFactory MenuWindowFor(const QString& button) {
    return Registry().value(button);
}
