// ruvex: the desktop program. It leads from the recovery mode through the
// drive and the scan to the results, and ends when that sequence does.
#include "ui/RuvexApp.h"

int main(int argc, char** argv) {
    CRuvexApp application(argc, argv);
    application.InitInstance();
    return 0;
}
