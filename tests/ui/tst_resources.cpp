// The compiled-in resource tree: every path the program opens, the style sheet as the
// widgets see it, and the two translation catalogues.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTranslator>
#include <QVBoxLayout>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

const QColor titleBlue(22, 74, 150);

QString styleSheetText()
{
    QFile f(QStringLiteral(":/Qss/SheetStyle.qss"));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

bool near(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

// Whether some pixel of the rectangle is within tolerance of the colour.
bool containsColour(const QImage &img, const QRect &area, const QColor &colour, int tolerance)
{
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (near(img.pixelColor(x, y), colour, tolerance))
                return true;
    return false;
}

QStringList parseWarnings;

void collectParseWarnings(QtMsgType, const QMessageLogContext &, const QString &msg)
{
    if (msg.contains(QLatin1String("parse"), Qt::CaseInsensitive))
        parseWarnings << msg;
}

// One <message> of a Linguist source.
struct TsEntry
{
    QString context, source, comment, translation, type;
    bool numerus = false;
    QStringList forms;
};

QVector<TsEntry> readTs(const QString &path, QString *error)
{
    QVector<TsEntry> entries;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open ") + path;
        return entries;
    }
    QXmlStreamReader xml(&f);
    QString context;
    TsEntry cur;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QStringRef n = xml.name();
            if (n == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (n == QLatin1String("message")) {
                cur = TsEntry();
                cur.context = context;
                cur.numerus =
                    xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
            } else if (n == QLatin1String("source")) {
                cur.source = xml.readElementText();
            } else if (n == QLatin1String("comment")) {
                cur.comment = xml.readElementText();
            } else if (n == QLatin1String("translation")) {
                cur.type = xml.attributes().value(QLatin1String("type")).toString();
                if (!cur.numerus)
                    cur.translation = xml.readElementText();
            } else if (n == QLatin1String("numerusform")) {
                cur.forms << xml.readElementText();
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            entries << cur;
        }
    }
    if (xml.hasError())
        *error = xml.errorString();
    return entries;
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("ZELT_HOME", m_home.path().toLocal8Bit());
    }

    void cleanup()
    {
        qApp->setStyleSheet(QString());
        for (QTranslator *t : qAsConst(m_installed))
            QCoreApplication::removeTranslator(t);
        qDeleteAll(m_installed);
        m_installed.clear();
    }

    void everyPictureOpensAndDecodes_data()
    {
        QTest::addColumn<QString>("path");
        QStringList paths = {
            ":/images/QuarnIcon.ico",
            ":/images/QuarnIcon1.png",
            ":/images/CLOSE1.ico",
            ":/images/Zero1.png",
            ":/images/Stable.png",
            ":/images/icon_download.ico",
            ":/images/icon/Quarnlogo.png",
            ":/images/background/mainBackground.jpg",
            ":/images/background/background1.jpg",
            ":/images/background/background2.jpg",
            ":/images/background/mainBackground.png",
            ":/images/background/none.png",
        };
        for (int i = 0; i <= 28; ++i)
            paths << (i == 10
                          ? QStringLiteral(":/images/icon/pic10..png")
                          : QStringLiteral(":/images/icon/pic%1.png").arg(i, 2, 10, QChar('0')));
        for (const QString &p : qAsConst(paths))
            QTest::newRow(qPrintable(p)) << p;
    }

    void everyPictureOpensAndDecodes()
    {
        QFETCH(QString, path);
        QVERIFY2(QFile::exists(path), qPrintable(path));
        QImageReader reader(path);
        const QImage img = reader.read();
        QVERIFY2(!img.isNull(), qPrintable(path + ": " + reader.errorString()));
        QVERIFY(!QPixmap(path).isNull());
        QVERIFY(!QIcon(path).availableSizes().isEmpty());
    }

    void windowIconCarriesSeveralSizes()
    {
        QImageReader reader(QStringLiteral(":/images/QuarnIcon.ico"));
        QVERIFY(reader.imageCount() >= 3);
    }

    void styleSheetIsUtf8TextThatParses()
    {
        QFile f(QStringLiteral(":/Qss/SheetStyle.qss"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.size() > 1000);
        QVERIFY(!bytes.contains('\0'));
        QTextCodec::ConverterState state;
        QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
        QCOMPARE(state.invalidChars, 0);

        parseWarnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collectParseWarnings);
        qApp->setStyleSheet(QString::fromUtf8(bytes));
        QLabel probe;
        probe.ensurePolished();
        qInstallMessageHandler(previous);
        QVERIFY2(parseWarnings.isEmpty(), qPrintable(parseWarnings.join('\n')));
    }

    // A button that cannot be pressed does not look like one that can.
    void aDisabledButtonIsGreyUnderTheStyleSheet()
    {
        const QString sheet = qApp->styleSheet();
        qApp->setStyleSheet(styleSheetText());
        QPushButton on(QStringLiteral("Write CP1")), off(QStringLiteral("Write CP1"));
        off.setEnabled(false);
        for (QPushButton *b : {&on, &off})
            b->resize(160, 34);
        const QImage onImage = on.grab().toImage(), offImage = off.grab().toImage();
        qApp->setStyleSheet(sheet);
        const QRect inside(20, 8, 120, 18);
        QVERIFY(containsColour(onImage, inside, QColor(225, 236, 248), 6));
        QVERIFY(!containsColour(offImage, inside, QColor(225, 236, 248), 6));
        QVERIFY(containsColour(offImage, inside, QColor(236, 236, 236), 6));
    }

    void styleSheetNamesEveryPictureItUses()
    {
        // A misspelt url() would silently show nothing; every one must be in the tree.
        const QString qss = styleSheetText();
        QRegularExpression url(QStringLiteral("url\\(([^)]*)\\)"));
        int count = 0;
        for (auto it = url.globalMatch(qss); it.hasNext(); ++count) {
            const QString path = it.next().captured(1).trimmed();
            QVERIFY2(QFile::exists(path), qPrintable(path));
        }
        QVERIFY(count > 0);
    }

    void remoteTipBannerIsRedAndOtherLabelsBlack()
    {
        qApp->setStyleSheet(styleSheetText());
        QWidget page;
        auto *tip = new QLabel(QStringLiteral("remote"), &page);
        tip->setObjectName(QStringLiteral("label_RemoteTip"));
        auto *plain = new QLabel(QStringLiteral("plain"), &page);
        auto *link = new QLabel(QStringLiteral("Modbus TCP"), &page);
        link->setObjectName(QStringLiteral("label_protol"));
        page.ensurePolished();
        tip->ensurePolished();
        plain->ensurePolished();
        link->ensurePolished();
        QCOMPARE(tip->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(plain->palette().color(QPalette::WindowText), QColor(0, 0, 0));
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 170, 255));
    }

    void comboBoxShowsArrowAndBlueBorderWhileFocused()
    {
        qApp->setStyleSheet(styleSheetText());
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *edit = new QLineEdit(&window);
        auto *combo = new QComboBox(&window);
        combo->addItems({QStringLiteral("AB-CD"), QStringLiteral("CD-AB")});
        layout->addWidget(edit);
        layout->addWidget(combo);
        window.resize(240, 100);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));

        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QImage img = combo->grab().toImage();
        const int mid = img.height() / 2;
        QCOMPARE(img.pixelColor(0, mid), QColor(0x40, 0x40, 0x40));

        combo->setFocus();
        QTRY_VERIFY(combo->hasFocus());
        img = combo->grab().toImage();
        QCOMPARE(img.pixelColor(0, mid), QColor(0x00, 0xaa, 0xff));
        // The drop-down sits at the right end and shows the blue arrow picture.
        QVERIFY(
            containsColour(img, QRect(img.width() - 24, 1, 23, img.height() - 2), titleBlue, 8));
        QVERIFY(!containsColour(img, QRect(1, 1, img.width() / 2, img.height() - 2), titleBlue, 8));
    }

    void titleButtonsShowTheirPictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("language") << "Btn_ChangeLanguage";
        QTest::newRow("minimise") << "Btn_Min";
        QTest::newRow("maximise, two dots in the file name") << "Btn_Max";
        QTest::newRow("close") << "Btn_Close";
    }

    void titleButtonsShowTheirPictures()
    {
        QFETCH(QString, name);
        qApp->setStyleSheet(styleSheetText());
        QWidget bar;
        auto *button = new QPushButton(&bar);
        button->setObjectName(name);
        button->setGeometry(0, 0, 40, 40);
        const QImage img = button->grab().toImage();
        // Without its picture the button would show its light blue face.
        QVERIFY(near(img.pixelColor(4, 4), titleBlue, 4));
        QVERIFY(containsColour(img, QRect(8, 8, 24, 24), Qt::white, 40));
    }

    void chineseCatalogueTranslatesTheMainWindow()
    {
        auto *t = new QTranslator;
        m_installed << t;
        QVERIFY(t->load(QStringLiteral(":/Translate/Language_CN.qm")));
        QVERIFY(QCoreApplication::installTranslator(t));
        QCOMPARE(QCoreApplication::translate("MainWindow", "Communication-Error"),
                 QStringLiteral("通讯异常"));
        QCOMPARE(QCoreApplication::translate("MainWindow", "None"), QStringLiteral("无"));
        // Contexts are kept apart: the same source text in an unknown context stays English.
        QCOMPARE(QCoreApplication::translate("NoSuchContext", "Communication-Error"),
                 QStringLiteral("Communication-Error"));
    }

    void englishCatalogueLoadsAndChangesNothing()
    {
        auto *t = new QTranslator;
        m_installed << t;
        QVERIFY(t->load(QStringLiteral(":/Translate/Language_EN.qm")));
        QVERIFY(t->isEmpty());
        // Qt refuses to install an empty translator; the program installs it all the same.
        QCoreApplication::installTranslator(t);
        QCOMPARE(t->translate("MainWindow", "Communication-Error"), QString());
        QCOMPARE(QCoreApplication::translate("MainWindow", "Communication-Error"),
                 QStringLiteral("Communication-Error"));
        QVERIFY(QFile::exists(QStringLiteral(":/Translate/Language_EN.ts")));
    }

    void everyTranslatableTextOfTheProgramHasAChineseEntry()
    {
        // lupdate finds every text the forms and the code mark for translation.
        QTemporaryDir work;
        const QString scanned = work.filePath(QStringLiteral("scan.ts"));
        QStringList args;
        for (const char *dir :
             {"App", "Dialog", "Warning", "Modbus", "main", "Excel", "Report", "Verification"})
            args << QStringLiteral(ZELT_SOURCE_DIR "/") + QLatin1String(dir);
        args << QStringLiteral("-extensions") << QStringLiteral("cpp,h,ui")
             << QStringLiteral("-silent") << QStringLiteral("-ts") << scanned;
        QProcess lupdate;
        lupdate.start(QStringLiteral(ZELT_LUPDATE), args);
        QVERIFY(lupdate.waitForFinished(60000));
        QCOMPARE(lupdate.exitCode(), 0);

        QString error;
        const QVector<TsEntry> wanted = readTs(scanned, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(wanted.size() > 50);
        QSet<QString> catalogued;
        for (const TsEntry &e : readTs(QStringLiteral(":/Translate/Language_CN.ts"), &error))
            catalogued.insert(e.context + QChar(0) + e.source);
        QStringList missing;
        for (const TsEntry &e : wanted) {
            if (!catalogued.contains(e.context + QChar(0) + e.source))
                missing << e.context + QStringLiteral(": \"") + e.source + QLatin1Char('"');
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    }

    void everyChineseEntryIsFinishedAndCompiled()
    {
        QString error;
        const QVector<TsEntry> entries =
            readTs(QStringLiteral(":/Translate/Language_CN.ts"), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(!entries.isEmpty());

        QTranslator compiled;
        QVERIFY(compiled.load(QStringLiteral(":/Translate/Language_CN.qm")));

        QStringList faults;
        for (const TsEntry &e : entries) {
            if (e.type == QLatin1String("vanished") || e.type == QLatin1String("obsolete"))
                continue;
            const QString where = e.context + QStringLiteral(": \"") + e.source + '"';
            if (e.type == QLatin1String("unfinished")) {
                faults << where + QStringLiteral(" is unfinished");
                continue;
            }
            if (e.numerus) {
                if (e.forms.isEmpty() || e.forms.contains(QString()))
                    faults << where + QStringLiteral(" lacks a plural form");
                continue;
            }
            if (e.translation.trimmed().isEmpty()) {
                faults << where + QStringLiteral(" has no translation");
                continue;
            }
            const QByteArray context = e.context.toUtf8(), source = e.source.toUtf8(),
                             comment = e.comment.toUtf8();
            const QString shown =
                compiled.translate(context.constData(), source.constData(),
                                   comment.isEmpty() ? nullptr : comment.constData());
            if (shown != e.translation)
                faults << where + QStringLiteral(" is missing from the compiled catalogue");
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }

private:
    QTemporaryDir m_home;
    QList<QTranslator *> m_installed;
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
