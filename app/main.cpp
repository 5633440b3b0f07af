// Sondrel: converts audio files dropped on its window, or named on its command
// line, into Core Audio Format files.

#include "app/Application.h"

int main(int argc, char** argv) {
    return sondrel::app::RunSondrel(argc, argv);
}
