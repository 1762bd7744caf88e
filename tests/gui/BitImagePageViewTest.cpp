// The "Define Bit Images" page used as a person uses it: typing into the lists and fields,
// ticking boxes and pressing buttons with the mouse, with a printer played on a pseudo-terminal.
#include "rollvane/gui/BitImagePageView.h"
#include "QtTestApplication.h"
#include "platform/VirtualClock.h"
#include "rollvane/graphics/BitImagePage.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterLink.h"
#include "tests/graphics/Bmp.h"
#include "tests/link/TestInterfaceSettings.h"
#include "tests/settings/ScriptedSettingsPrinter.h"
#include "tests/support/RecordingUserInterface.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace rollvane {
namespace {

using graphics_testing::Bmp;
using testing_support::TempDir;

class BitImagePageViewTest : public ::testing::Test {
protected:
    BitImagePageViewTest() : link(ui, clock), page(link, interface)
    {
        testing_support::EnsureQtApplication();
        interface = link_test::Com3Settings();
        link.devices().SetEntry("COM3", printer.slavePath());
        link.linkType = LinkSerial;
        view = std::make_unique<BitImagePageView>(page);
        view->show();
        view->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }

    std::string File(const std::string &name, const Bmp &bmp)
    {
        TempDir::Write(dir.file(name), bmp.Bytes());
        return dir.file(name);
    }
    // Clicks into a field, replaces its text by typing; focus stays there.
    static void Type(QLineEdit *field, const char *text)
    {
        QTest::mouseClick(field, Qt::LeftButton);
        ASSERT_TRUE(field->hasFocus());
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }
    // Presses the button with the mouse: the press takes the focus before the click acts.
    static void Press(QAbstractButton *button)
    {
        QTest::mousePress(button, Qt::LeftButton);
        ASSERT_TRUE(button->hasFocus());
        QTest::mouseRelease(button, Qt::LeftButton);
    }
    std::vector<std::string> messages() const
    {
        std::vector<std::string> lines;
        for (const auto &m : ui.messages) {
            lines.push_back(m.caption + ": " + m.text);
        }
        return lines;
    }
    QString caption(int k) const
    {
        auto *label = view->findChild<QLabel *>(QString("previewCaption%1").arg(k));
        return label ? label->text() : QString();
    }
    QImage preview(int k) const
    {
        auto *label = view->findChild<QLabel *>(QString("preview%1").arg(k));
        return label ? label->pixmap().toImage() : QImage();
    }

    TempDir dir;
    settings_testing::ScriptedSettingsPrinter printer;
    testing_support::RecordingUserInterface ui;
    platform::VirtualClock clock;
    InterfaceSettings interface;
    PrinterLink link;
    BitImagePage page;
    std::unique_ptr<BitImagePageView> view;
};

TEST_F(BitImagePageViewTest, TextsAndStartingState)
{
    const std::pair<const char *, const char *> groups[] = {{"groupDownload", "Select and Download BMP Files"},
                                                            {"groupPrint", "Print Selected BMP:"}};
    for (const auto &[name, title] : groups) {
        EXPECT_EQ(view->findChild<QGroupBox *>(name)->title().toStdString(), title);
    }
    QStringList texts;
    for (const QLabel *label : view->findChildren<QLabel *>()) {
        texts << label->text();
    }
    for (const char *text :
         {"BMP file download", "Bitmap ID", "File Name", "Manipulate", "Width", "Alignment", "FILE # 1", "FILE # 2",
          "FILE # 3",
          "Width: if 0<width<10, width is maxmized, Pls note that converted height should be "
          "smaller that 512",
          "Paper width=80mm, font size= size1, max width= 576", "Paper width=80mm, font size= size2, max width= 560",
          "Paper width=58mm, font size= size1, max width= 432", "Paper width=58mm, font size= size2, max width= 424"}) {
        EXPECT_TRUE(texts.contains(text)) << text;
    }
    const std::pair<int, const char *> buttons[] = {{1042, "Browse..."},       {1044, "Browse..."},
                                                    {1048, "Browse..."},       {1052, "Download"},
                                                    {1063, "Clear File Path"}, {1055, "Print the Selected BMP"}};
    for (const auto &[id, text] : buttons) {
        EXPECT_EQ(view->button(id)->text().toStdString(), text) << id;
    }
    for (int id : {1038, 1045, 1049, 1053}) {
        EXPECT_EQ(view->list(id)->count(), 256) << id;
        EXPECT_EQ(view->list(id)->itemText(255).toStdString(), "255");
        EXPECT_EQ(view->list(id)->currentText().toStdString(), "") << id;
    }
    for (const auto &[width, alignment] : {std::pair{1087, 1056}, {1090, 1058}, {1091, 1059}}) {
        EXPECT_EQ(view->field(width)->text().toStdString(), "0");
        EXPECT_FALSE(view->field(width)->isEnabled());
        EXPECT_EQ(view->list(alignment)->currentText().toStdString(), "Left");
        EXPECT_FALSE(view->list(alignment)->isEnabled());
    }
    EXPECT_FALSE(view->list(1035)->isVisible());
    EXPECT_FALSE(view->list(1037)->isVisible());
    EXPECT_EQ(view->list(1035)->currentText().toStdString(), "80mm");
    EXPECT_EQ(view->list(1037)->currentText().toStdString(), "Size1");

    // Printing with the print list empty: its number is 0 but the text is not "0".
    Press(view->button(1055));
    EXPECT_EQ(messages(), std::vector<std::string>{"ID ERROR: Please Select File #1 Bitmap ID!"});
    EXPECT_TRUE(printer.Received().empty());
}

// Three rows filled by hand, the preview checked dot by dot, then a download refused for its
// third row's width and done once that is mended.
TEST_F(BitImagePageViewTest, ThreeRowsPreviewedAndDownloaded)
{
    const std::string disc =
        File("disc.bmp",
             Bmp{200, 100, 1, [](int x, int y) { return (x - 100) * (x - 100) + (y - 50) * (y - 50) < 2500 ? 0 : 1; }});
    const std::string bar = File("bar.bmp", Bmp::Black(100, 30));
    const std::string wide = File("wide.bmp", Bmp::Black(300, 40));

    const struct {
        int k;
        const char *id;
        std::string path;
        const char *width;  // nullptr: not converted
        int alignmentKeys;  // Down presses from "Left"
    } rows[] = {{1, "5", disc, "400", 1}, {2, "007", bar, nullptr, 0}, {3, "9", wide, "600", 2}};
    const int ids[3][4] = {{1038, 1042, 1114, 1087}, {1045, 1044, 1115, 1090}, {1049, 1048, 1116, 1091}};
    const int alignmentLists[3] = {1056, 1058, 1059};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.k);
        const int *id = ids[r.k - 1];
        Type(view->list(id[0])->lineEdit(), r.id);
        ui.fileAnswers.push_back(r.path);
        Press(view->button(id[1]));
        EXPECT_EQ(view->field(id[0] + 1)->text().toStdString(), r.path);
        if (r.width) {
            Press(view->checkBox(id[2]));
            ASSERT_TRUE(view->field(id[3])->isEnabled());
            Type(view->field(id[3]), r.width);
            QComboBox *alignment = view->list(alignmentLists[r.k - 1]);
            QTest::mouseClick(view->field(id[3]), Qt::LeftButton);
            QTest::keyClick(view->field(id[3]), Qt::Key_Tab);
            ASSERT_TRUE(alignment->hasFocus());
            for (int n = 0; n < r.alignmentKeys; ++n) {
                QTest::keyClick(alignment, Qt::Key_Down);
            }
        }
    }
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(view->list(1045)->currentText().toStdString(), "7");  // the entry the typed text names

    // The disc at 400 dots, centred from dot 88: twice as wide and high, dots 190 to 387 across
    // its middle row.
    EXPECT_EQ(caption(1).toStdString(), "FILE # 1, Bitmap ID 5: 576 x 200 dots");
    const QImage disc400 = preview(1);
    ASSERT_EQ(disc400.size(), QSize(576, 200));
    const auto black = [](const QImage &image, int x, int y) { return qGray(image.pixel(x, y)) < 128; };
    std::string middle;
    for (int x = 0; x < 576; ++x) {
        middle += black(disc400, x, 100) ? '#' : '.';
    }
    EXPECT_EQ(middle, std::string(190, '.') + std::string(198, '#') + std::string(188, '.'));
    EXPECT_FALSE(black(disc400, 288, 0));
    EXPECT_TRUE(black(disc400, 288, 2));
    // Unconverted: the file dot for dot from the left edge.
    EXPECT_EQ(caption(2).toStdString(), "FILE # 2, Bitmap ID 7: 576 x 30 dots");
    const QImage bar30 = preview(2);
    ASSERT_EQ(bar30.size(), QSize(576, 30));
    EXPECT_TRUE(black(bar30, 0, 0) && black(bar30, 99, 29));
    EXPECT_FALSE(black(bar30, 100, 0));
    EXPECT_EQ(caption(3).toStdString(),
              "FILE # 3, Bitmap ID 9: cannot be shown: the width 600 is more than the print area's 576 dots");
    EXPECT_TRUE(preview(3).isNull());
    view->resize(view->width(), 1000);  // room for the three previews in the picture
    QTest::qWait(50);                   // the preview's new labels are shown and laid out from the event loop
    testing_support::SaveScreenshot(view.get(), "bit-images-page");

    Press(view->button(1052));
    EXPECT_EQ(messages(), std::vector<std::string>{"Error: Invalid Width Value!"});
    ui.messages.clear();
    Type(view->field(1091), "0");  // the whole print area
    Press(view->button(1052));
    EXPECT_EQ(messages(), std::vector<std::string>{"Message: Download Finished !"});
    EXPECT_EQ(caption(3).toStdString(), "FILE # 3, Bitmap ID 9: 576 x 76 dots");

    Press(view->button(1063));
    for (int field : {1039, 1046, 1050}) {
        EXPECT_EQ(view->field(field)->text().toStdString(), "");
    }
    EXPECT_EQ(view->list(1038)->currentText().toStdString(), "5");
    EXPECT_TRUE(caption(1).isEmpty());
}

// "Prepare..." with a colour PNG: the 1-bit BMP it writes goes into the row and passes Browse's
// check; a picture that cannot be read leaves the row as it was.
TEST_F(BitImagePageViewTest, PrepareTurnsAPictureIntoTheRowsFile)
{
    QImage photo(300, 60, QImage::Format_RGB32);
    photo.fill(QColor(200, 30, 30));  // dark enough to print black
    photo.save(QString::fromStdString(dir.file("shop.png")));
    TempDir::Write(dir.file("notes.png"), "not a picture");

    ui.fileAnswers = {dir.file("shop.png"), dir.file("shop-logo.bmp")};
    Press(view->findChild<QPushButton *>("buttonPrepare2"));
    EXPECT_TRUE(messages().empty());
    ASSERT_EQ(ui.fileChoices.size(), 2u);
    EXPECT_EQ(ui.fileChoices[1].proposedName, dir.file("shop-logo.bmp"));
    EXPECT_EQ(view->field(1046)->text().toStdString(), dir.file("shop-logo.bmp"));
    EXPECT_EQ(page.FileProblem(TempDir::Read(dir.file("shop-logo.bmp"))), "");
    EXPECT_EQ(caption(2).toStdString(), "FILE # 2, Bitmap ID not chosen: 576 x 60 dots");

    ui.fileAnswers = {dir.file("notes.png"), dir.file("notes-logo.bmp")};
    Press(view->findChild<QPushButton *>("buttonPrepare2"));
    ASSERT_EQ(messages(), std::vector<std::string>{"Error: Cannot prepare the picture!"});
    EXPECT_NE(ui.messages[0].cause.find("notes.png"), std::string::npos) << ui.messages[0].cause;
    EXPECT_EQ(view->field(1046)->text().toStdString(), dir.file("shop-logo.bmp"));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.file("notes-logo.bmp"))));
}

}  // namespace
}  // namespace rollvane
