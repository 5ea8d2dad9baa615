#pragma once

class QEvent;

// True for a key press of Return or of the keypad's Enter.
bool IsConfirmKey(const QEvent *event);
