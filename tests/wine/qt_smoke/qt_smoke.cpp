// The least a Windows build of the windows needs from Qt, checked under Wine: the
// platform asked for, typed keys reaching the controls the program uses, text drawn
// with a real font, and a PDF as the report writes it.
#include <QtTest/QtTest>
#include <QtWidgets>
#include <QPdfWriter>

namespace {

enum class Control { Spin, Password, Line };

}  // namespace
Q_DECLARE_METATYPE(Control)

class QtSmoke : public QObject {
    Q_OBJECT

private slots:
    // WINEQT_QPA_PLATFORM is the only way the platform reaches a program under Wine;
    // on any other the rest proves nothing about a headless run.
    void runsOnTheOffscreenPlatform() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    }

    void typing_data() {
        QTest::addColumn<Control>("control");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("spin box takes digits") << Control::Spin << "45" << "45" << "45";
        // The validator refuses the key that would leave the range.
        QTest::newRow("spin box refuses past its maximum")
            << Control::Spin << "999" << "99" << "99";
        QTest::newRow("spin box refuses letters") << Control::Spin << "4x5" << "45" << "45";
        QTest::newRow("password box hides what it holds")
            << Control::Password << "Gast 42" << "Gast 42" << QString(7, QChar(0x25CF));
        QTest::newRow("line box takes non-ASCII letters")
            << Control::Line << QString::fromUtf8("Stra\xc3\x9f" "e") << QString::fromUtf8("Stra\xc3\x9f" "e")
            << QString::fromUtf8("Stra\xc3\x9f" "e");
    }

    // Keys go through the tab widget's second page, as a panel's would.
    void typing() {
        QFETCH(Control, control);
        QFETCH(QString, keys);
        QFETCH(QString, value);
        QFETCH(QString, shown);

        QTabWidget tabs;
        auto* spin = new QSpinBox;
        spin->setObjectName("spnMinutes");
        spin->setRange(0, 120);
        auto* password = new QLineEdit;
        password->setEchoMode(QLineEdit::Password);
        auto* line = new QLineEdit;
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        for (QWidget* w : {static_cast<QWidget*>(spin), static_cast<QWidget*>(password),
                           static_cast<QWidget*>(line)}) {
            layout->addWidget(w);
        }
        tabs.addTab(new QLabel("first"), "First");
        tabs.addTab(page, "Second");
        tabs.setCurrentIndex(1);
        tabs.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tabs));

        if (control == Control::Spin) {
            spin->selectAll();
            QTest::keyClicks(spin, keys);
            QCOMPARE(QString::number(spin->value()), value);
            QCOMPARE(spin->text(), shown);
        } else {
            QLineEdit* box = control == Control::Password ? password : line;
            QTest::keyClicks(box, keys);
            QCOMPARE(box->text(), value);
            QCOMPARE(box->displayText().size(), shown.size());
            QCOMPARE(box->displayText() == box->text(), shown == value);
        }
    }

    // Without a font the offscreen platform draws nothing and measures every text as
    // empty; WINEQT_QPA_FONTDIR must have reached it.
    void drawsText() {
        QLabel label("Quorvel 12,50");
        label.setStyleSheet("background: white; color: black");
        label.resize(200, 40);
        QVERIFY(label.fontMetrics().horizontalAdvance(label.text()) > 40);
        QImage image(label.size(), QImage::Format_RGB32);
        label.render(&image);
        int dark = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                dark += qGray(image.pixel(x, y)) < 128;
            }
        }
        QVERIFY2(dark > 50, qPrintable(QString("%1 dark pixels").arg(dark)));
    }

    // The report's export: a PDF with its font embedded, so it prints the same anywhere.
    void writesAPdf() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("report.pdf");
        {
            QPdfWriter writer(path);
            writer.setPageSize(QPageSize(QPageSize::A4));
            QPainter painter(&writer);
            QVERIFY(painter.isActive());
            painter.drawText(QPointF(100, 100), "Einnahmen 12,50");
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray pdf = file.readAll();
        QVERIFY(pdf.startsWith("%PDF-1."));
        QVERIFY(pdf.contains("/FontFile2"));
        QVERIFY(pdf.trimmed().endsWith("%%EOF"));
    }
};

QTEST_MAIN(QtSmoke)
#include "qt_smoke.moc"
