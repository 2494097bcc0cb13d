// The windows the main menu opens, by the name of their button. A window joins the main menu
// with one line in its own source file:
//
//     CVBIO_MENU_WINDOW(btnHolderSetup, TfrmHolderSetup)
//
// The class needs a constructor taking the owner widget. A button without a window stays
// disabled.
#pragma once

#include <QString>
#include <functional>

class QDialog;
class QWidget;

using MenuWindowFactory = std::function<QDialog*(QWidget* owner)>;

bool RegisterMenuWindow(const QString& button, MenuWindowFactory factory);
// The factory for a button; empty when no window is registered for it.
MenuWindowFactory MenuWindowFor(const QString& button);

#define CVBIO_MENU_WINDOW(button, Class)         \
    static const bool cvbioMenuWindow_##button = \
        RegisterMenuWindow(#button, [](QWidget* owner) -> QDialog* { return new Class(owner); });
