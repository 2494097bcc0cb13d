// The application object: an error that escapes any event handler is shown in the standard error
// box with its own text, and the program goes on.
#pragma once

#include <QApplication>

class TApplication : public QApplication {
    Q_OBJECT
  public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
