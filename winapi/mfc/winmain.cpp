// The program's entry point, in the place of WinMain: runs the one application object.
#include "winapi/mfc/appstart.h"

int main(int argc, char** argv) { return winapi::mfc::runApplication(argc, argv); }
