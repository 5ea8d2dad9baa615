#pragma once

class QDialog;

// What every small dialog of the program does at construction: no window
// frame, the dialog watches each of its widgets (for the confirm keys), and the
// language font.
void PrepareFramelessDialog(QDialog *dialog);
