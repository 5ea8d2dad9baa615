#include "serialopen.h"

#include <QFile>
#include <QModbusClient>
#include <QVariant>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

constexpr int NoParity = 0; // QSerialPort::NoParity

#ifdef Q_OS_UNIX
// Linux numbers the slave ends of pseudo-terminals with these majors.
constexpr unsigned FirstPtyMajor = 136;
constexpr unsigned LastPtyMajor = 143;

void prepareParityOnPty(const QString &device)
{
    const QByteArray path = QFile::encodeName(device);
    struct stat info;
    if (::stat(path.constData(), &info) != 0 || !S_ISCHR(info.st_mode) ||
        major(info.st_rdev) < FirstPtyMajor || major(info.st_rdev) > LastPtyMajor)
        return;
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return; // the port's own open tells why
    termios t{};
    if (::tcgetattr(fd, &t) == 0 && (t.c_iflag & IGNPAR)) {
        t.c_iflag &= ~IGNPAR; // the serial port sets it again with the parity
        ::tcsetattr(fd, TCSANOW, &t);
    }
    ::close(fd);
}
#endif

} // namespace

bool OpenModbusClient(QModbusClient *client)
{
#ifdef Q_OS_UNIX
    const QVariant parity = client->connectionParameter(QModbusDevice::SerialParityParameter);
    const QString device =
        client->connectionParameter(QModbusDevice::SerialPortNameParameter).toString();
    if (!device.isEmpty() && parity.isValid() && parity.toInt() != NoParity &&
        client->state() == QModbusDevice::UnconnectedState)
        prepareParityOnPty(device);
#endif
    return client->connectDevice();
}
