// CVBIO: the main window's creation brings the program up; its first showing runs the login.
#include "Main.h"

#include "Application.h"

int main(int argc, char** argv) {
    TApplication application(argc, argv);
    TfrmMain window;
    window.show();
    if (window.Ended()) return 0;
    return application.exec();
}
