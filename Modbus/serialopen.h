#pragma once

class QModbusClient;

// Opens the client's link: a serial client first has its line made ready for
// the parity it asks for, then connectDevice(). Returns what connectDevice()
// returned.
//
// A pseudo-terminal cannot keep a parity: Linux clears the parity-enable bit.
// The C library then reports a change of settings that asked for nothing but
// that bit as "Invalid argument", and the serial port refuses to open. Such a
// line is first set to take no parity errors as ignored, so that the port's
// own settings always change something and open at any framing.
bool OpenModbusClient(QModbusClient *client);
