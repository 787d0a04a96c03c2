#include "SnapvoApp.h"

int main(int argc, char** argv) { return SnapvoMain(argc, argv); }
