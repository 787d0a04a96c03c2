#include "ReelixApp.h"

int main(int argc, char** argv) { return ReelixMain(argc, argv); }
