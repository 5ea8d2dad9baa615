// Every row of every write table sent over the wire the way a page commits it,
// checked in the simulated instrument's request log, and the repeat rule of a
// write that times out, pinned against a peer that stays silent.
#include "devicemodel.h"
#include "linkfixture.h"
#include "paramcatalogue.h"
#include "simhost.h"
#include "valuebinding.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

// A Modbus TCP peer that takes every request in and counts it, answers reads
// only when told to and leaves the first `dropWrites` writes unanswered.
class QuietPeer : public QObject
{
public:
    struct Seen
    {
        int function, address, count;
    };

    bool answerReads = false;
    int dropWrites = 1 << 30;
    QVector<Seen> seen;

    bool listen()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, this, [this, s] { take(s); });
        });
        return m_server.listen(QHostAddress::LocalHost, 0);
    }
    int port() const { return m_server.serverPort(); }

    int count(int function, int address) const
    {
        int n = 0;
        for (const Seen &s : seen)
            n += s.function == function && s.address == address;
        return n;
    }

private:
    static quint16 word(const QByteArray &b, int at)
    {
        return quint16(quint8(b[at]) << 8 | quint8(b[at + 1]));
    }
    static void putWord(QByteArray &b, quint16 v)
    {
        b.append(char(v >> 8));
        b.append(char(v & 0xFF));
    }

    void take(QTcpSocket *s)
    {
        m_buffer[s] += s->readAll();
        QByteArray &b = m_buffer[s];
        while (b.size() >= 8 && b.size() >= 6 + word(b, 4)) {
            const int length = 6 + word(b, 4);
            const QByteArray frame = b.left(length);
            b.remove(0, length);
            const int function = quint8(frame[7]);
            const int address = word(frame, 8);
            const int count = function == 6 ? 1 : word(frame, 10);
            seen.append({function, address, count});
            QByteArray reply = frame.left(4); // transaction and protocol id
            if (function == 3 && answerReads) {
                putWord(reply, quint16(3 + 2 * count));
                reply.append(frame[6]);
                reply.append(char(3));
                reply.append(char(2 * count));
                reply.append(QByteArray(2 * count, '\0'));
                s->write(reply);
            } else if ((function == 16 || function == 6) && dropWrites-- <= 0) {
                putWord(reply, 6);
                reply.append(frame.mid(6, 6));
                s->write(reply);
            }
        }
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffer;
};

struct TableRow
{
    int page, tab;
    const char *widget;
    int address, count;
};

// The write tables, page by page and in order (addresses from the register map).
QVector<TableRow> allRows()
{
    QVector<TableRow> rows;
    auto page = [&rows](int p, int tab, std::initializer_list<std::pair<const char *, int>> list,
                        int count = 2) {
        for (const auto &e : list)
            rows.append({p, tab, e.first, e.second, count});
    };
    page(1, 0,
         {{"EditPWROnzero", 50},
          {"EditTrZeroRange", 52},
          {"EditZeroRange", 54},
          {"EditSTABRange", 56},
          {"EditDigit_Filter", 58},
          {"EditAdv_Filter", 60},
          {"cBoxSampleRate", 62},
          {"cBoxTareRecord", 64},
          {"EditTrZeroTime", 66},
          {"EditSTABTime", 68},
          {"EditRZeroThr", 70},
          {"EditRZeroTime", 72},
          {"cBoxRZeroSW", 74}});
    page(2, 0,
         {{"cBoxUnit", 100},
          {"cBoxDecimal", 102},
          {"cBoxDivision", 104},
          {"EditFullScale", 106},
          {"BtnAutoZero", 108},
          {"EditManualZero", 110},
          {"EditWeightCp1", 112},
          {"EditWeightCp2", 114},
          {"EditWeightCp3", 116},
          {"EditWeightCp4", 118},
          {"EditWeightCp5", 120},
          {"EditLcMv", 122},
          {"EditLcCapacity", 124},
          {"cBoxTCal", 126},
          {"EditCorrectCoef", 128},
          {"cBoxDivision_2", 130},
          {"EditFullScale_2", 132},
          {"cBoxDivision_3", 134},
          {"EditFullScale_3", 136}});
    page(3, 6,
         {{"cBoxInputMode_1", 150},
          {"cBoxInputMode_2", 152},
          {"cBoxInputMode_3", 154},
          {"cBoxInputMode_4", 156}});
    page(3, 7,
         {{"cBoxOutputMode_1", 170},
          {"cBoxOutputMode_2", 172},
          {"cBoxOutputMode_3", 174},
          {"cBoxOutputMode_4", 176},
          {"cBoxOutputMode_5", 178},
          {"cBoxOutputMode_6", 180}});
    page(3, 8,
         {{"cBox_JudgeStable_1", 190}, {"Edit_Duration_1", 192},    {"cBox_CompMode_1", 194},
          {"Edit_CompVal1_1", 196},    {"Edit_CompVal2_1", 198},    {"cBox_JudgeStable_2", 210},
          {"Edit_Duration_2", 212},    {"cBox_CompMode_2", 214},    {"Edit_CompVal1_2", 216},
          {"Edit_CompVal2_2", 218},    {"cBox_JudgeStable_3", 230}, {"Edit_Duration_3", 232},
          {"cBox_CompMode_3", 234},    {"Edit_CompVal1_3", 236},    {"Edit_CompVal2_3", 238},
          {"cBox_JudgeStable_4", 250}, {"Edit_Duration_4", 252},    {"cBox_CompMode_4", 254},
          {"Edit_CompVal1_4", 256},    {"Edit_CompVal2_4", 258}});
    page(4, 0,
         {{"EditComID_1", 300},
          {"cBoxBaudrate_1", 302},
          {"cBoxProtocol_1", 304},
          {"cBoxDataFormat_1", 306},
          {"cBoxDwordFormat_1", 308},
          {"EditSendGap_1", 310},
          {"cBoxCRC_1", 312},
          {"EditComID_2", 320},
          {"cBoxBaudrate_2", 322},
          {"cBoxProtocol_2", 324},
          {"cBoxDataFormat_2", 326},
          {"cBoxDwordFormat_2", 328},
          {"EditSendGap_2", 330},
          {"cBoxCRC_2", 332},
          {"EditComID_3", 340},
          {"cBoxBaudrate_3", 342},
          {"cBoxProtocol_3", 344},
          {"cBoxDataFormat_3", 346},
          {"cBoxDwordFormat_3", 348},
          {"EditSendGap_3", 350},
          {"cBoxCRC_3", 352},
          {"cBoxNetComProtocol", 360},
          {"cBoxNetComDwordFormat", 362},
          {"EditNetComSendGap", 364},
          {"EditNetComSocket", 366},
          {"EditIP_1", 368},
          {"EditIP_2", 370},
          {"EditIP_3", 372},
          {"EditIP_4", 374},
          {"cBoxWriteEnable", 376},
          {"cBoxDataType", 378},
          {"cBoxPrintLanguage", 390},
          {"cBoxPrintContent", 392},
          {"EditTicketGap", 394},
          {"cBoxAnalogType", 460},
          {"EditMinOut", 462},
          {"EditZeroOut", 464},
          {"EditFSOut", 466},
          {"EditMaxOut", 468}});
    page(5, 0,
         {{"cBoxBacklight", 530},
          {"cBoxNetLedDef", 532},
          {"cBoxComLed1Def", 534},
          {"cBoxComLed2Def", 536}});
    page(5, 0, {{"cBoxCalRemoteEdit", 9301}, {"cBoxNCalRemoteEdit", 9302}}, 1);
    page(6, 0, {{"EditModuleNum", 640},    {"BtnAngleFix", 724},      {"BtnAngleReset", 722},
                {"BtnSearchSen", 720},     {"EditAngleDif1", 658},    {"EditAngleDif2", 660},
                {"EditAngleDif3", 662},    {"EditAngleDif4", 664},    {"EditAngleDif5", 666},
                {"EditAngleDif6", 668},    {"EditAngleDif7", 670},    {"EditAngleDif8", 672},
                {"label_SensorAD1", 602},  {"label_SensorAD2", 604},  {"label_SensorAD3", 606},
                {"label_SensorAD4", 608},  {"label_SensorAD5", 610},  {"label_SensorAD6", 612},
                {"label_SensorAD7", 614},  {"label_SensorAD8", 616},  {"label_SensorAdd1", 642},
                {"label_SensorAdd2", 644}, {"label_SensorAdd3", 646}, {"label_SensorAdd4", 648},
                {"label_SensorAdd5", 650}, {"label_SensorAdd6", 652}, {"label_SensorAdd7", 654},
                {"label_SensorAdd8", 656}, {"EditSendTime", 676},     {"RemotoOutWay", 674},
                {"RemotoAccuracy", 678},   {"RemotoSetFilter", 680}});
    return rows;
}

// A widget of the kind the object name's prefix names.
QWidget *makeWidget(const QString &name, QObject *owner)
{
    QWidget *w = nullptr;
    if (name.startsWith(QLatin1String("cBox")) || name.startsWith(QLatin1String("Remoto"))) {
        auto *combo = new QComboBox;
        for (int i = 0; i < 8; ++i)
            combo->addItem(QString::number(i));
        w = combo;
    } else if (name.startsWith(QLatin1String("Btn"))) {
        w = new QPushButton;
    } else if (name.startsWith(QLatin1String("label_"))) {
        w = new QLabel;
    } else {
        w = new QLineEdit;
    }
    w->setObjectName(name);
    QObject::connect(owner, &QObject::destroyed, w, [w] { delete w; });
    return w;
}

} // namespace

class TestWriteTables : public QObject
{
    Q_OBJECT

    std::unique_ptr<sim::SimHost> m_sim;

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false")); }
    void init()
    {
        ClearMirror();
        gu8_LinkStop = 0;
        gu32_DwordFormat = 0;
        gu32_SlaveId = 1;
        gu32_PageIndex = 1;
        gu32_AppSubPage = 6;
        valueBeforeEdit = QStringLiteral("0");
    }
    void cleanup()
    {
        DisconnectModbus();
        m_sim.reset();
    }

    void everyRowIsWrittenToItsRegisters_data()
    {
        QTest::addColumn<quint32>("order");
        QTest::newRow("AB-CD") << 0u;
        QTest::newRow("CD-AB") << 1u;
    }
    void everyRowIsWrittenToItsRegisters()
    {
        QFETCH(quint32, order);
        m_sim.reset(new sim::SimHost(sim::Kind::Digital, int(order)));
        QVERIFY(m_sim->startTcp());
        m_sim->model().setLiveFrozen(true);
        QVERIFY(connectTcpClient(m_sim->port()));
        gu32_DwordFormat = order;
        QObject owner;
        const QVector<TableRow> rows = allRows();
        for (int i = 0; i < rows.size(); ++i) {
            const TableRow &row = rows[i];
            const QString name = QString::fromLatin1(row.widget);
            gu32_PageIndex = quint32(row.page);
            gu32_AppSubPage = quint32(row.tab ? row.tab : 6);
            // Both halves differ, so a swapped or cut pair shows.
            const quint32 value = 0x00050000u + quint32(i + 1);
            m_sim->clearLog();
            SendWidgetValue(makeWidget(name, &owner), QString::number(value));
            QVector<sim::LoggedRequest> writes;
            for (const sim::LoggedRequest &r : m_sim->requestLog()) {
                if (r.function == 6 || r.function == 16)
                    writes.append(r);
            }
            QVERIFY2(writes.size() == 1, qPrintable(name));
            QVERIFY2(writes[0].address == row.address, qPrintable(name));
            QVERIFY2(writes[0].count == row.count, qPrintable(name));
            QVector<quint16> wanted;
            const bool highFirst = order == 0 || (row.address >= 600 && row.address <= 681);
            if (row.count == 1)
                wanted = {quint16(value & 0xFFFF)};
            else if (highFirst)
                wanted = {quint16(value >> 16), quint16(value & 0xFFFF)};
            else
                wanted = {quint16(value & 0xFFFF), quint16(value >> 16)};
            QVERIFY2(writes[0].values == wanted, qPrintable(name));
        }
    }

    // The instrument's version and the sensor block read back high half first
    // on a CD-AB link, as the group reads do.
    void fixedOrderBlocksReadHighHalfFirst()
    {
        m_sim.reset(new sim::SimHost(sim::Kind::Digital, 1));
        QVERIFY(m_sim->startTcp());
        m_sim->model().setLiveFrozen(true);
        QVERIFY(connectTcpClient(m_sim->port()));
        gu32_DwordFormat = 1;
        for (int address : {640, 674, 10000}) {
            m_sim->model().setReg(address, 0x0002);
            m_sim->model().setReg(address + 1, 0x0003);
            QCOMPARE(ReadParam(address, 2), 0x00020003u);
        }
        m_sim->model().setReg(54, 0x0002);
        m_sim->model().setReg(55, 0x0003);
        QCOMPARE(ReadParam(54, 2), 0x00030002u);
    }

    // A write that times out is repeated at most twice: against a peer that
    // never answers, three writes reach it and one read (the client itself
    // does not repeat). The widget gets its text from before the edit back.
    // Whether the client's own timeout or the write's budget runs out first, it is
    // a timeout and the write is repeated.
    void timedOutWriteIsRepeatedTwice_data()
    {
        QTest::addColumn<int>("baud");
        QTest::newRow("client waits 2000 ms, longer than the write") << 2400;
        QTest::newRow("client waits 1000 ms, as long as the write") << 38400;
    }
    void timedOutWriteIsRepeatedTwice()
    {
        QFETCH(int, baud);
        QuietPeer peer;
        QVERIFY(peer.listen());
        LinkSettings s;
        s.connectType = 1;
        s.EditIP = QStringLiteral("127.0.0.1");
        s.EditPort = QString::number(peer.port());
        s.baud = baud;
        QVERIFY(connectClient(s));
        QLineEdit edit;
        edit.setObjectName(QStringLiteral("EditZeroRange"));
        edit.setText(QStringLiteral("20"));
        valueBeforeEdit = QStringLiteral("10");
        QCOMPARE(SendWidgetValue(&edit, QStringLiteral("20")), ModbusTimeout);
        QCOMPARE(edit.text(), QStringLiteral("10"));

        // A read the peer answers marks the end: everything sent before it has arrived.
        peer.answerReads = true;
        QCOMPARE(ReadParam(0, 2), 0u);
        QCOMPARE(peer.count(3, 54), 1);
        QCOMPARE(peer.count(16, 54), 3);
    }

    // The repeats stop at the first one that is answered.
    void repeatsStopAtTheFirstAnswer()
    {
        QuietPeer peer;
        peer.answerReads = true;
        peer.dropWrites = 1;
        QVERIFY(peer.listen());
        LinkSettings s;
        s.connectType = 1;
        s.EditIP = QStringLiteral("127.0.0.1");
        s.EditPort = QString::number(peer.port());
        s.baud = 2400;
        QVERIFY(connectClient(s));
        QComboBox combo;
        combo.setObjectName(QStringLiteral("cBoxSampleRate"));
        combo.addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        combo.setCurrentIndex(2);
        valueBeforeEdit = QStringLiteral("1");
        QCOMPARE(SendWidgetValue(&combo, QStringLiteral("2")), ModbusOk);
        // The first attempt timed out, so the box goes back to its old choice.
        QCOMPARE(combo.currentIndex(), 1);
        QCOMPARE(ReadParam(0, 2), 0u);
        QCOMPARE(peer.count(16, 62), 2);
    }
};

QTEST_MAIN(TestWriteTables)
#include "tst_writetables.moc"
