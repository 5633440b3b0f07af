// Sondrel: converts audio files dropped on its window into Core Audio Format files.

#include "app/Application.h"

int main() {
    return sondrel::app::RunSondrel();
}
