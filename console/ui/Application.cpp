#include "Application.h"

#include "CvbioError.h"
#include "UiServices.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("CVBIO");
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    // Handlers connected through OnEvent catch their own errors; this is the net for the rest
    // (event overrides, slots connected directly).
    try {
        return QApplication::notify(receiver, event);
    } catch (const CvbioError& error) {
        ShowError(error.message());
    } catch (const std::exception& error) {
        ShowError(QString::fromUtf8(error.what()));
    }
    return false;
}
