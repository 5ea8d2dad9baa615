#pragma once

// How long bytes take on a serial wire: one start bit, the data bits, a parity
// bit unless there is none, the stop bits. The simulator paces its answers by
// it and the bus scan derives its timeouts from it, so both use this one rule.
// Parity follows QSerialPort::Parity: 0 none, 2 even, 3 odd.

constexpr int BitsPerCharacter(int dataBits, int parity, int stopBits)
{
    return 1 + dataBits + (parity == 0 ? 0 : 1) + stopBits;
}

// Microseconds that `bytes` characters take back to back at this baud rate.
constexpr long long WireMicroseconds(int bytes, int baud, int dataBits, int parity, int stopBits)
{
    return baud <= 0
               ? 0
               : (1000000LL * bytes * BitsPerCharacter(dataBits, parity, stopBits) + baud - 1) /
                     baud;
}

// The silence of 3.5 characters that ends an RTU frame, in microseconds.
constexpr long long FrameGapMicroseconds(int baud, int dataBits, int parity, int stopBits)
{
    return WireMicroseconds(7, baud, dataBits, parity, stopBits) / 2;
}
