#pragma once

class QApplication;

// Gives the whole program the style sheet from the resources; the benchmarks
// call it too, so that their window is laid out and painted as the program's.
void ApplyAppStyleSheet(QApplication &app);
