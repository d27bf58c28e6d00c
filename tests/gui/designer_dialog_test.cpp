// The help window designer: its check boxes and the window settings, the mock-up rules,
// the rectangle capture, the default-tab list and the font dialog.

#include "settings/gui/designer_dialog.h"
#include "test_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace parvane {

namespace {

std::vector<std::string> Lines(const THelpWindowSettings& settings) {
    std::vector<std::string> lines;
    settings.WriteTo(lines);
    return lines;
}

bool ToolButtonShown(const TfrmDesigner& d, std::size_t i) {
    for (QAction* action : d.tbMock->actions())
        if (d.tbMock->widgetForAction(action) == d.tbButtons[i])
            return action->isVisible();
    return false;
}

} // namespace

class DesignerDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void everyCheckBoxEditsItsSetting() {
        // Each box in turn flipped: exactly its setting changes, inverted ones the other way.
        const auto& checks = DesignerChecks();
        for (const TDesignerCheck& check : checks) {
            THelpWindowSettings settings;
            settings.Content = settings.Index = settings.Search = settings.Favorite = true;
            TfrmDesigner designer;
            designer.ClassToControl(settings);
            QCheckBox* box = designer.CheckOf(check.Setting);
            QVERIFY(box);
            QCOMPARE(box->isChecked(), settings.*check.Setting != check.Inverted);
            box->setChecked(!box->isChecked());
            THelpWindowSettings out = settings;
            designer.ControlToClass(out);
            QVERIFY2(out.*check.Setting != settings.*check.Setting, check.Caption);
            out.*check.Setting = settings.*check.Setting;
            // "Locate" follows "Contents" off.
            if (check.Setting == &THelpWindowSettings::Content)
                out.Locate = settings.Locate;
            QVERIFY2(Lines(out) == Lines(settings), check.Caption);
        }
    }

    void windowRectanglePaneWidthAndFontsRoundTrip() {
        THelpWindowSettings settings;
        settings.Left = 120;
        settings.Top = 80;
        settings.Width = 900;
        settings.Height = 640;
        settings.PaneWidth = 260;
        settings.DefaultTab = 2;
        settings.ContentsFont = "Verdana,10,0";
        settings.IndexFont = ",9,204";
        settings.Title = "kept";
        TfrmDesigner designer;
        designer.ClassToControl(settings);
        QCOMPARE(designer.windowTitle(),
                 QString("Help window designer - [L:120,T:80,W:900,H:640]"));
        QCOMPARE(designer.cbDefaultTab->currentText(), QString("Search"));
        QCOMPARE(designer.pcNavigation->currentIndex(), 2);
        QCOMPARE(designer.tvSample->font().family(), QString("Verdana"));
        QCOMPARE(designer.lbIndexSample->font().family(), QString("MS Sans Serif"));
        QCOMPARE(designer.lbIndexSample->font().pointSize(), 9);
        THelpWindowSettings out;
        designer.ControlToClass(out);
        QCOMPARE(out.Left, 120);
        QCOMPARE(out.Top, 80);
        QCOMPARE(out.Width, 900);
        QCOMPARE(out.Height, 640);
        QCOMPARE(out.PaneWidth, 260);
        QCOMPARE(out.DefaultTab, 2);
        QCOMPARE(out.ContentsFont, std::string("Verdana,10,0"));
        QCOMPARE(out.IndexFont, std::string(",9,204"));
    }

    void clearingAllTabsHidesThePaneAndDisablesHideShow() {
        TfrmDesigner designer;
        designer.ClassToControl(THelpWindowSettings{});
        designer.show();
        QVERIFY(!designer.pcNavigation->isHidden());
        QCOMPARE(designer.tbButtons[0]->text(), QString("Hide"));
        QCheckBox* hide = designer.CheckOf(&THelpWindowSettings::Hide);
        QVERIFY(hide->isChecked());
        designer.CheckOf(&THelpWindowSettings::Content)->setChecked(false);
        designer.CheckOf(&THelpWindowSettings::Index)->setChecked(false);
        designer.CheckOf(&THelpWindowSettings::Search)->setChecked(false);
        QVERIFY(!designer.pcNavigation->isHidden());
        QVERIFY(hide->isEnabled());
        QVERIFY(!designer.pcNavigation->isTabVisible(0));
        QVERIFY(designer.pcNavigation->isTabVisible(3));
        designer.CheckOf(&THelpWindowSettings::Favorite)->setChecked(false);
        QVERIFY(designer.pcNavigation->isHidden());
        QVERIFY(!hide->isEnabled());
        QVERIFY(!hide->isChecked());
        QVERIFY(!ToolButtonShown(designer, 0));
        QCOMPARE(designer.tbButtons[0]->text(), QString("Show"));
        THelpWindowSettings out;
        designer.ControlToClass(out);
        QVERIFY(!out.Hide);

        // A tab back: the pane returns and "Hide/Show" may be set again.
        designer.CheckOf(&THelpWindowSettings::Index)->setChecked(true);
        QVERIFY(!designer.pcNavigation->isHidden());
        QVERIFY(hide->isEnabled());
        QVERIFY(!hide->isChecked());
        hide->setChecked(true);
        QVERIFY(ToolButtonShown(designer, 0));
        QCOMPARE(designer.tbButtons[0]->text(), QString("Hide"));

        // The navigation pane switched off: hidden, the button reads "Show".
        designer.CheckOf(&THelpWindowSettings::ShowPane)->setChecked(false);
        QVERIFY(designer.pcNavigation->isHidden());
        QCOMPARE(designer.tbButtons[0]->text(), QString("Show"));
        QVERIFY(hide->isEnabled());
    }

    void clearingContentsClearsLocateAndTheTocPage() {
        TfrmDesigner designer;
        designer.ClassToControl(THelpWindowSettings{});
        QCheckBox* locate = designer.CheckOf(&THelpWindowSettings::Locate);
        QVERIFY(locate->isChecked());
        QVERIFY(designer.pcPanel->isTabVisible(3));
        designer.CheckOf(&THelpWindowSettings::Content)->setChecked(false);
        QVERIFY(!locate->isChecked());
        QVERIFY(!locate->isEnabled());
        QVERIFY(!ToolButtonShown(designer, 1));
        QVERIFY(!designer.pcPanel->isTabVisible(3));
        designer.CheckOf(&THelpWindowSettings::Content)->setChecked(true);
        QVERIFY(locate->isEnabled());
        QVERIFY(!locate->isChecked());
        QVERIFY(designer.pcPanel->isTabVisible(3));

        // Loading settings that hold "Locate" without "Contents" clears it too.
        THelpWindowSettings odd;
        odd.Content = false;
        odd.Locate = true;
        designer.ClassToControl(odd);
        THelpWindowSettings out;
        designer.ControlToClass(out);
        QVERIFY(!out.Locate);
    }

    void panesToolbarAndMenuFollowTheirBoxes() {
        TfrmDesigner designer;
        designer.ClassToControl(THelpWindowSettings{});
        designer.show();
        QVERIFY(designer.mnuMock->isHidden());
        designer.CheckOf(&THelpWindowSettings::ShowMSDNMenu)->setChecked(true);
        QVERIFY(!designer.mnuMock->isHidden());

        QCOMPARE(designer.tbButtons[2]->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        designer.CheckOf(&THelpWindowSettings::HideToolbarText)->setChecked(false);
        QCOMPARE(designer.tbButtons[2]->toolButtonStyle(), Qt::ToolButtonIconOnly);
        designer.CheckOf(&THelpWindowSettings::HideToolbar)->setChecked(false);
        QVERIFY(designer.tbMock->isHidden());
        designer.CheckOf(&THelpWindowSettings::HideToolbar)->setChecked(true);
        QVERIFY(!designer.tbMock->isHidden());
        QVERIFY(!ToolButtonShown(designer, 9));
        designer.CheckOf(&THelpWindowSettings::Jump1)->setChecked(true);
        QVERIFY(ToolButtonShown(designer, 9));
        designer.CheckOf(&THelpWindowSettings::Print)->setChecked(false);
        QVERIFY(!ToolButtonShown(designer, 7));

        designer.CheckOf(&THelpWindowSettings::ShowPanesToolbar)->setChecked(false);
        QVERIFY(designer.tbMock->isHidden());
        QVERIFY(designer.pcNavigation->isHidden());
        QVERIFY(!designer.pcPanel->isTabVisible(1));
        QVERIFY(!designer.pcPanel->isTabVisible(2));
        QVERIFY(!designer.pcPanel->isTabVisible(3));
        QVERIFY(designer.pcPanel->isTabVisible(0));
        QVERIFY(designer.pcPanel->isTabVisible(4));
    }

    void sampleNodesShowBooksOrFolders() {
        TfrmDesigner designer;
        designer.ClassToControl(THelpWindowSettings{});
        QTreeWidgetItem* book = designer.tvSample->topLevelItem(1);
        constexpr int imageRole = Qt::UserRole + 1;
        QCOMPARE(book->data(0, imageRole).toInt(), 0);
        book->setExpanded(true);
        QCOMPARE(book->data(0, imageRole).toInt(), 1);
        designer.CheckOf(&THelpWindowSettings::UseFolder)->setChecked(true);
        QCOMPARE(book->data(0, imageRole).toInt(), 3);
        book->setExpanded(false);
        QCOMPARE(book->data(0, imageRole).toInt(), 2);
    }

    void maximisingKeepsTheStoredRectangle() {
        THelpWindowSettings settings;
        settings.Left = 40;
        settings.Top = 30;
        settings.Width = 800;
        settings.Height = 600;
        TfrmDesigner designer;
        designer.ClassToControl(settings);
        designer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&designer));
        designer.CaptureRect();
        const TDesignerRect shown = designer.Model().Rect();
        QCOMPARE(shown.Width, designer.width());

        designer.showMaximized();
        QTRY_VERIFY(designer.isMaximized());
        designer.CaptureRect();
        QCOMPARE(designer.Model().Rect(), shown);
        THelpWindowSettings out;
        designer.ControlToClass(out);
        QCOMPARE(out.Left, shown.Left);
        QCOMPARE(out.Width, shown.Width);
        QCOMPARE(out.Height, shown.Height);

        // Back to normal and resized: the timer's next run takes the new size.
        designer.showNormal();
        QTRY_VERIFY(!designer.isMaximized());
        designer.resize(640, 480);
        designer.CaptureRect();
        QCOMPARE(designer.Model().Rect().Width, 640);
        QCOMPARE(designer.windowTitle(), QString("Help window designer - [L:%1,T:%2,W:640,H:480]")
                                             .arg(designer.Model().Rect().Left)
                                             .arg(designer.Model().Rect().Top));
        QCOMPARE(designer.tmrCapture->interval(), 500);
        QVERIFY(designer.tmrCapture->isActive());
    }

    void windowOffEveryScreenComesBackOntoOne() {
        THelpWindowSettings settings;
        settings.Left = 30000;
        settings.Top = 20000;
        TfrmDesigner designer;
        designer.ClassToControl(settings);
        designer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&designer));
        designer.CaptureRect();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(QPoint(designer.Model().Rect().Left, designer.Model().Rect().Top)));
    }

    void defaultTabListAndTabsFollowEachOther() {
        TfrmDesigner designer;
        designer.ClassToControl(THelpWindowSettings{});
        designer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&designer));
        designer.cbDefaultTab->setCurrentText("Search");
        QCOMPARE(designer.pcNavigation->currentIndex(), 2);
        QTabBar* bar = designer.pcNavigation->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        QCOMPARE(designer.pcNavigation->currentIndex(), 1);
        QCOMPARE(designer.cbDefaultTab->currentText(), QString("Index"));
        THelpWindowSettings out;
        designer.ControlToClass(out);
        QCOMPARE(out.DefaultTab, 1);
    }

    void splitterSetsThePaneWidth() {
        THelpWindowSettings settings;
        settings.Width = 900;
        settings.PaneWidth = 200;
        TfrmDesigner designer;
        designer.ClassToControl(settings);
        designer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&designer));
        QCOMPARE(designer.splPane->sizes().value(0), 200);
        // A drag of the handle: the splitter reports the move.
        designer.splPane->setSizes({300, designer.splPane->width() - 300});
        emit designer.splPane->splitterMoved(300, 1);
        THelpWindowSettings out;
        designer.ControlToClass(out);
        QCOMPARE(out.PaneWidth, 300);
    }

    void fontDialogReadsAndWritesTheFontString() {
        TfrmFont font("Font of Contents");
        QCOMPARE(font.windowTitle(), QString("Font of Contents"));
        QCOMPARE(font.cbCharset->count(), 23);
        font.SetFontString("Arial,10,0");
        QCOMPARE(font.FontString(), std::string("Arial,10,0"));
        font.SetFontString("Courier New,14,204");
        QCOMPARE(font.cbCharset->currentText(), QString("204 RUSSIAN"));
        QCOMPARE(font.edtSize->value(), 14);
        QCOMPARE(font.lblSample->text(), QString("AaBbYyZz"));
        QCOMPARE(font.lblSample->font().pointSize(), 14);
        QCOMPARE(font.FontString(), std::string("Courier New,14,204"));
        font.cbCharset->setCurrentIndex(4);
        QCOMPARE(font.FontString(), std::string("Courier New,14,128"));
        font.btnReset->click();
        QCOMPARE(font.FontString(), std::string(",8,0"));
        QCOMPARE(font.lblSample->font().family(), QString("MS Sans Serif"));
        // Too few parts leave the defaults.
        font.SetFontString("Arial,12");
        QCOMPARE(font.FontString(), std::string(",8,0"));
    }

    void fontButtonsGoThroughTheFontDialog() {
        TTestDialogs dialogs;
        TfrmDesigner designer(nullptr, &dialogs);
        THelpWindowSettings settings;
        settings.IndexFont = "Arial,9,0";
        designer.ClassToControl(settings);
        dialogs.execs << [](QDialog& d) {
            auto& font = dynamic_cast<TfrmFont&>(d);
            [&] {
                QCOMPARE(font.windowTitle(), QString("Font of Index"));
                QCOMPARE(font.edtSize->value(), 9);
            }();
            font.edtSize->setValue(12);
            return int(QDialog::Accepted);
        };
        designer.btnIndexFont->click();
        dialogs.execs << [](QDialog& d) {
            dynamic_cast<TfrmFont&>(d).edtSize->setValue(30);
            return int(QDialog::Rejected);
        };
        designer.btnContentsFont->click();
        THelpWindowSettings out;
        designer.ControlToClass(out);
        QCOMPARE(out.IndexFont, std::string("Arial,12,0"));
        QCOMPARE(out.ContentsFont, std::string(",8,0"));
        QCOMPARE(designer.lbIndexSample->font().pointSize(), 12);
        QCOMPARE(dialogs.dialogNames, (QStringList{"frmFont", "frmFont"}));
    }
};

} // namespace parvane

QTEST_MAIN(parvane::DesignerDialogTest)
#include "designer_dialog_test.moc"
