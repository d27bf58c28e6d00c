#include "settings/gui/designer_dialog.h"

#include "ui/gui/dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace parvane {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// The sample tree's node pictures, drawn here so they look alike on every desktop theme:
// 0 closed book, 1 open book, 2 closed folder, 3 open folder (SampleNodeImage), 4 a page.
QIcon SampleIcon(int image) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    switch (image) {
    case 0: // a closed book: cover and spine
        p.setBrush(QColor(52, 101, 164));
        p.drawRect(3, 1, 10, 14);
        p.setBrush(QColor(32, 74, 135));
        p.drawRect(3, 1, 2, 14);
        p.setPen(Qt::white);
        p.drawLine(7, 5, 11, 5);
        break;
    case 1: { // an open book: two pages
        p.setBrush(Qt::white);
        QPainterPath left, right;
        left.moveTo(8, 4);
        left.lineTo(1, 2);
        left.lineTo(1, 13);
        left.lineTo(8, 15);
        left.closeSubpath();
        right.moveTo(8, 4);
        right.lineTo(15, 2);
        right.lineTo(15, 13);
        right.lineTo(8, 15);
        right.closeSubpath();
        p.drawPath(left);
        p.drawPath(right);
        p.setPen(QColor(52, 101, 164));
        for (int y = 6; y <= 10; y += 2) {
            p.drawLine(3, y - 1, 6, y);
            p.drawLine(10, y, 13, y - 1);
        }
        break;
    }
    case 2: // a closed folder
        p.setBrush(QColor(237, 212, 0));
        p.drawRect(1, 3, 6, 3);
        p.drawRect(1, 5, 14, 9);
        break;
    case 3: { // an open folder
        p.setBrush(QColor(196, 160, 0));
        p.drawRect(1, 3, 13, 11);
        p.setBrush(QColor(252, 233, 79));
        QPainterPath flap;
        flap.moveTo(3, 7);
        flap.lineTo(16, 7);
        flap.lineTo(13, 14);
        flap.lineTo(1, 14);
        flap.closeSubpath();
        p.drawPath(flap);
        break;
    }
    default: // a page with lines of text
        p.setBrush(Qt::white);
        p.drawRect(3, 1, 10, 14);
        p.setPen(QColor(120, 120, 120));
        for (int y = 4; y <= 12; y += 2)
            p.drawLine(5, y, 11, y);
        break;
    }
    return QIcon(pixmap);
}

constexpr int NodeImageRole = Qt::UserRole + 1; // -1 for a page, else a book or folder

QTreeWidgetItem* SampleNode(QTreeWidgetItem* parent, const QString& title, bool book) {
    auto* item = new QTreeWidgetItem(parent, {title});
    item->setData(0, NodeImageRole, book ? 0 : -1);
    if (!book)
        item->setIcon(0, SampleIcon(4));
    return item;
}

QWidget* Page(QLayout* layout) {
    auto* page = new QWidget;
    page->setLayout(layout);
    return page;
}

QFont FontOf(const std::string& fontString) {
    const TFontChoice choice = ParseDesignerFont(fontString);
    QFont font(Q(SampleFaceOf(choice.Face)));
    font.setPointSize(choice.Size);
    return font;
}

} // namespace

TfrmDesigner::TfrmDesigner(QWidget* parent, IDialogs* dialogs)
    : QDialog(parent), dialogs_(dialogs) {
    setObjectName("frmDesigner");
    setWindowTitle(DesignerTexts::Caption);
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The help window's own menu bar, tool bar and panes.
    mnuMock = new QMenuBar;
    for (const char* menu : {"&File", "&Edit", "&View", "&Go", "&Help"})
        mnuMock->addMenu(menu);
    layout->setMenuBar(mnuMock);

    tbMock = new QToolBar;
    tbMock->setIconSize(QSize(24, 24));
    const std::pair<const char*, QStyle::StandardPixmap> buttons[] = {
        {"Hide", QStyle::SP_TitleBarShadeButton},
        {"Locate", QStyle::SP_FileDialogContentsView},
        {"Back", QStyle::SP_ArrowBack},
        {"Forward", QStyle::SP_ArrowForward},
        {"Stop", QStyle::SP_BrowserStop},
        {"Refresh", QStyle::SP_BrowserReload},
        {"Home", QStyle::SP_DirHomeIcon},
        {"Print", QStyle::SP_FileIcon},
        {"Options", QStyle::SP_FileDialogDetailedView},
        {"Jump 1", QStyle::SP_CommandLink},
        {"Jump 2", QStyle::SP_CommandLink},
    };
    for (const auto& [caption, pixmap] : buttons) {
        auto* button = new QToolButton;
        button->setText(caption);
        button->setIcon(style()->standardIcon(pixmap));
        button->setAutoRaise(true);
        // Hiding the tool bar's action for a widget hides the widget in the bar.
        tbActions_.push_back(tbMock->addWidget(button));
        tbButtons.push_back(button);
    }
    layout->addWidget(tbMock);

    splPane = new QSplitter(Qt::Horizontal);
    splPane->setChildrenCollapsible(false);
    pcNavigation = new QTabWidget;
    // Narrow panes are allowed, as in the help window: the tabs scroll.
    pcNavigation->tabBar()->setUsesScrollButtons(true);
    pcNavigation->setMinimumWidth(60);
    tvSample = new QTreeWidget;
    tvSample->setHeaderHidden(true);
    auto* started = SampleNode(tvSample->invisibleRootItem(), "Getting started", true);
    SampleNode(started, "Welcome", false);
    SampleNode(started, "Installing", false);
    auto* using_ = SampleNode(tvSample->invisibleRootItem(), "Writing help", true);
    SampleNode(using_, "Adding topics", false);
    auto* templates = SampleNode(using_, "Templates", true);
    SampleNode(templates, "Choosing a template", false);
    SampleNode(using_, "Building the help file", false);
    SampleNode(tvSample->invisibleRootItem(), "Frequently asked questions", false);
    started->setExpanded(true);
    pcNavigation->addTab(tvSample, "Contents");

    auto* indexLayout = new QVBoxLayout;
    indexLayout->addWidget(new QLabel("Type in the keyword to find:"));
    indexLayout->addWidget(new QLineEdit);
    lbIndexSample = new QListWidget;
    lbIndexSample->addItems({"building", "contents", "default topic", "index keywords",
                             "installing", "templates", "topics", "welcome"});
    indexLayout->addWidget(lbIndexSample);
    auto* display = new QPushButton("Display");
    indexLayout->addWidget(display, 0, Qt::AlignRight);
    pcNavigation->addTab(Page(indexLayout), "Index");

    auto* searchLayout = new QVBoxLayout;
    searchLayout->addWidget(new QLabel("Type in the word(s) to search for:"));
    searchLayout->addWidget(new QLineEdit);
    searchLayout->addWidget(new QPushButton("List Topics"), 0, Qt::AlignRight);
    searchLayout->addWidget(new QLabel("Select topic to display:"));
    searchLayout->addWidget(new QListWidget);
    pcNavigation->addTab(Page(searchLayout), "Search");

    auto* favoritesLayout = new QVBoxLayout;
    favoritesLayout->addWidget(new QLabel("Topics:"));
    favoritesLayout->addWidget(new QListWidget);
    favoritesLayout->addWidget(new QLabel("Current topic:"));
    favoritesLayout->addWidget(new QLineEdit);
    favoritesLayout->addWidget(new QPushButton("Add"), 0, Qt::AlignRight);
    pcNavigation->addTab(Page(favoritesLayout), "Favorites");
    splPane->addWidget(pcNavigation);

    mmTopic = new QPlainTextEdit;
    mmTopic->setReadOnly(true);
    mmTopic->setPlainText(DesignerTexts::Explanation);
    splPane->addWidget(mmTopic);
    splPane->setStretchFactor(1, 1);
    layout->addWidget(splPane, 1);

    // The panel of check boxes.
    auto* panel = new QWidget;
    auto* panelLayout = new QHBoxLayout(panel);
    pcPanel = new QTabWidget;
    panelLayout->addWidget(pcPanel, 1);
    auto* okLayout = new QVBoxLayout;
    btnOK = new QPushButton("OK");
    btnOK->setDefault(true);
    btnNo = new QPushButton("No");
    okLayout->addWidget(btnOK);
    okLayout->addWidget(btnNo);
    okLayout->addStretch();
    panelLayout->addLayout(okLayout);
    layout->addWidget(panel);

    const TDesignerPage pages[] = {TDesignerPage::Interface, TDesignerPage::Toolbar,
                                   TDesignerPage::Nav, TDesignerPage::Toc, TDesignerPage::Other};
    const char* pageNames[] = {"Interface", "Toolbar", "Nav", "TOC", "Other"};
    // Check boxes fill each page column by column.
    const int rowsOf[] = {3, 3, 4, 5, 3};
    const int firstRow[] = {0, 0, 1, 0, 0}; // the Nav page has its default tab on top
    std::vector<QGridLayout*> grids;
    for (int i = 0; i < 5; ++i) {
        auto* grid = new QGridLayout;
        grid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        grid->setHorizontalSpacing(24);
        grids.push_back(grid);
        // Pages scroll rather than widen the window: the help window may be narrow.
        auto* scroll = new QScrollArea;
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        scroll->setWidget(Page(grid));
        pcPanel->addTab(scroll, pageNames[i]);
    }
    std::vector<int> placed(5, 0);
    const auto& checks = DesignerChecks();
    for (const TDesignerCheck& check : checks) {
        const int page = static_cast<int>(
            std::find(std::begin(pages), std::end(pages), check.Page) - std::begin(pages));
        QString caption = check.Caption;
        if (check.Setting == &THelpWindowSettings::HideToolbarText)
            caption = "Show text on the tool buttons";
        else if (check.Setting == &THelpWindowSettings::Jump1)
            caption = "Jump 1";
        else if (check.Setting == &THelpWindowSettings::Jump2)
            caption = "Jump 2";
        auto* box = new QCheckBox(caption);
        const int n = placed[page]++;
        grids[page]->addWidget(box, firstRow[page] + n % rowsOf[page], n / rowsOf[page]);
        checks_.push_back(box);
        connect(box, &QCheckBox::toggled, this,
                [this, &check](bool checked) { CheckChanged(check, checked); });
    }
    // The Nav page: the tabs, then the default tab and the fonts.
    auto* nav = grids[2];
    cbDefaultTab = new QComboBox;
    for (const std::string& tab : DesignerTexts::DefaultTabs)
        cbDefaultTab->addItem(Q(tab));
    auto* defaultRow = new QHBoxLayout;
    defaultRow->addWidget(new QLabel("Default Tab:"));
    defaultRow->addWidget(cbDefaultTab);
    defaultRow->addStretch();
    nav->addLayout(defaultRow, 0, 0, 1, 2);
    btnContentsFont = new QPushButton(DesignerTexts::ContentsFontTitle);
    btnIndexFont = new QPushButton(DesignerTexts::IndexFontTitle);
    nav->addWidget(btnContentsFont, 1, 2);
    nav->addWidget(btnIndexFont, 2, 2);

    // The panel is as high as its tallest page; only its width may shrink.
    int panelHeight = 0;
    for (int i = 0; i < pcPanel->count(); ++i)
        panelHeight =
            std::max(panelHeight,
                     static_cast<QScrollArea*>(pcPanel->widget(i))->widget()->sizeHint().height());
    for (int i = 0; i < pcPanel->count(); ++i)
        pcPanel->widget(i)->setMinimumHeight(panelHeight);

    tmrCapture = new QTimer(this);
    tmrCapture->setInterval(500);
    connect(tmrCapture, &QTimer::timeout, this, &TfrmDesigner::CaptureRect);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnNo, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnContentsFont, &QPushButton::clicked, this, &TfrmDesigner::btnContentsFontClick);
    connect(btnIndexFont, &QPushButton::clicked, this, &TfrmDesigner::btnIndexFontClick);
    connect(splPane, &QSplitter::splitterMoved, this,
            [this] { model_.SetPaneWidth(splPane->sizes().value(0)); });
    connect(cbDefaultTab, &QComboBox::currentIndexChanged, this, [this] {
        if (updating_)
            return;
        const int tab = model_.CheckToTable(cbDefaultTab->currentText().toStdString());
        if (tab >= 0)
            pcNavigation->setCurrentIndex(tab);
    });
    // Only the author's own switch of tab picks the default one: a tab that disappears
    // with its check box moves the current tab but leaves the setting.
    connect(pcNavigation->tabBar(), &QTabBar::tabBarClicked, this, [this](int index) {
        const std::string entry = model_.TableToCheck(index);
        if (entry.empty())
            return;
        updating_ = true;
        cbDefaultTab->setCurrentText(Q(entry));
        updating_ = false;
    });
    connect(tvSample, &QTreeWidget::itemExpanded, this, &TfrmDesigner::UpdateSampleImages);
    connect(tvSample, &QTreeWidget::itemCollapsed, this, &TfrmDesigner::UpdateSampleImages);

    ClassToControl(THelpWindowSettings{});
}

QCheckBox* TfrmDesigner::CheckOf(bool THelpWindowSettings::*setting) const {
    const auto& checks = DesignerChecks();
    for (std::size_t i = 0; i < checks.size(); ++i)
        if (checks[i].Setting == setting)
            return checks_[i];
    return nullptr;
}

void TfrmDesigner::ClassToControl(const THelpWindowSettings& settings) {
    model_.ClassToControl(settings);
    ApplyMockupRules(model_.Controls());
    const TDesignerRect& r = model_.Rect();
    move(r.Left, r.Top);
    resize(r.Width, r.Height);
    SetPaneWidth(model_.PaneWidth());
    const int tab = std::clamp(model_.DefaultTab(), 0, 3);
    updating_ = true;
    cbDefaultTab->setCurrentIndex(tab);
    updating_ = false;
    pcNavigation->setCurrentIndex(tab);
    UpdateMockup();
    UpdateSampleFonts();
    setWindowTitle(Q(model_.Title()));
}

void TfrmDesigner::ControlToClass(THelpWindowSettings& settings) const {
    model_.ControlToClass(settings);
}

void TfrmDesigner::CaptureRect() {
    model_.CaptureRect({x(), y(), width(), height()}, isMaximized());
    setWindowTitle(Q(model_.Title()));
}

void TfrmDesigner::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A rectangle stored on a larger desktop may lie off every screen here: the window
    // comes back onto the screen, where the author can reach it.
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens())
        onScreen = onScreen || screen->availableGeometry().intersects(frameGeometry());
    if (!onScreen && QGuiApplication::primaryScreen())
        move(QGuiApplication::primaryScreen()->availableGeometry().topLeft() + QPoint(40, 40));
    // The layout has its final sizes only now.
    SetPaneWidth(model_.PaneWidth());
    tmrCapture->start();
}

void TfrmDesigner::SetPaneWidth(int width) {
    const int total = std::max(splPane->width(), width + 100);
    splPane->setSizes({width, total - width});
}

void TfrmDesigner::CheckChanged(const TDesignerCheck& check, bool checked) {
    if (updating_)
        return;
    SetCheckState(model_.Controls(), check, checked);
    ApplyMockupRules(model_.Controls());
    UpdateMockup();
}

void TfrmDesigner::UpdateMockup() {
    const THelpWindowSettings& s = model_.Controls();
    const TMockup m = MockupOf(s);
    updating_ = true;
    const auto& checks = DesignerChecks();
    for (std::size_t i = 0; i < checks.size(); ++i)
        checks_[i]->setChecked(CheckState(s, checks[i]));
    CheckOf(&THelpWindowSettings::Hide)->setEnabled(m.HideCheckEnabled);
    CheckOf(&THelpWindowSettings::Locate)->setEnabled(m.LocateCheckEnabled);
    updating_ = false;

    mnuMock->setVisible(m.MenuBar);
    tbMock->setVisible(m.Toolbar);
    // The buttons are widgets of their own: the tool bar's style does not reach them.
    const Qt::ToolButtonStyle buttonStyle =
        m.ToolbarText ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly;
    tbMock->setToolButtonStyle(buttonStyle);
    for (std::size_t i = 0; i < tbButtons.size(); ++i) {
        tbButtons[i]->setToolButtonStyle(buttonStyle);
        tbActions_[i]->setVisible(m.Buttons[i]);
    }
    tbButtons[0]->setText(Q(m.HideShowCaption));
    tbButtons[0]->setIcon(style()->standardIcon(m.Pane ? QStyle::SP_TitleBarShadeButton
                                                       : QStyle::SP_TitleBarUnshadeButton));
    for (int i = 0; i < 4; ++i)
        pcNavigation->setTabVisible(i, m.Tabs[static_cast<std::size_t>(i)]);
    pcNavigation->setVisible(m.Pane);

    pcPanel->setTabVisible(1, m.ToolbarPage);
    pcPanel->setTabVisible(2, m.NavPage);
    pcPanel->setTabVisible(3, m.TocPage);

    tvSample->setRootIsDecorated(s.PlusMinus || s.ShowRoot);
    tvSample->setAllColumnsShowFocus(s.SelectRow);
    UpdateSampleImages();
}

void TfrmDesigner::UpdateSampleImages() {
    const bool folders = model_.Controls().UseFolder;
    for (QTreeWidgetItemIterator it(tvSample); *it; ++it) {
        QTreeWidgetItem* item = *it;
        if (item->data(0, NodeImageRole).toInt() < 0)
            continue;
        const int image = SampleNodeImage(folders, item->isExpanded());
        item->setData(0, NodeImageRole, image);
        item->setIcon(0, SampleIcon(image));
    }
}

void TfrmDesigner::UpdateSampleFonts() {
    tvSample->setFont(FontOf(model_.Controls().ContentsFont));
    lbIndexSample->setFont(FontOf(model_.Controls().IndexFont));
}

bool TfrmDesigner::RunFont(const char* title, std::string& fontString) {
    TfrmFont font(title, this);
    font.SetFontString(fontString);
    const int result = dialogs_ ? dialogs_->Exec(font) : font.exec();
    if (result != QDialog::Accepted)
        return false;
    fontString = font.FontString();
    UpdateSampleFonts();
    return true;
}

void TfrmDesigner::btnContentsFontClick() {
    RunFont(DesignerTexts::ContentsFontTitle, model_.Controls().ContentsFont);
}

void TfrmDesigner::btnIndexFontClick() {
    RunFont(DesignerTexts::IndexFontTitle, model_.Controls().IndexFont);
}

// ---- TfrmFont ----------------------------------------------------------------------------------

TfrmFont::TfrmFont(const QString& title, QWidget* parent) : QDialog(parent) {
    setObjectName("frmFont");
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    cbFont = new QComboBox;
    cbFont->addItem(QString());
    cbFont->addItems(QFontDatabase::families());
    cbFont->setMaxVisibleItems(20);
    form->addRow("Font:", cbFont);
    edtSize = new QSpinBox;
    edtSize->setRange(1, 999);
    form->addRow("Point size:", edtSize);
    cbCharset = new QComboBox;
    for (const std::string& entry : FontCharsetList())
        cbCharset->addItem(Q(entry));
    form->addRow("Character set:", cbCharset);
    layout->addLayout(form);

    lblSample = new QLabel(DesignerTexts::SampleText);
    lblSample->setAlignment(Qt::AlignCenter);
    lblSample->setFrameShape(QFrame::StyledPanel);
    lblSample->setFixedHeight(64);
    lblSample->setMinimumWidth(240);
    auto* sampleRow = new QFormLayout;
    sampleRow->addRow("Sample", lblSample);
    layout->addLayout(sampleRow);

    auto* buttons = new QHBoxLayout;
    btnReset = new QPushButton("Reset");
    btnOK = new QPushButton("OK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton("Cancel");
    buttons->addWidget(btnReset);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnReset, &QPushButton::clicked, this, [this] { SetChoice(TFontChoice{}); });
    connect(cbFont, &QComboBox::currentIndexChanged, this, &TfrmFont::UpdateSample);
    connect(edtSize, &QSpinBox::valueChanged, this, &TfrmFont::UpdateSample);
    SetChoice(TFontChoice{});
}

void TfrmFont::SetChoice(const TFontChoice& choice) {
    // A face that is not installed here (a project from another desktop) stays choosable.
    int face = choice.Face.empty() ? 0 : cbFont->findText(Q(choice.Face), Qt::MatchFixedString);
    if (face < 0) {
        cbFont->insertItem(1, Q(choice.Face));
        face = 1;
    }
    cbFont->setCurrentIndex(face);
    edtSize->setValue(choice.Size);
    cbCharset->setCurrentIndex(choice.CharsetIndex);
    UpdateSample();
}

void TfrmFont::SetFontString(const std::string& text) {
    SetChoice(ParseDesignerFont(text));
}

TFontChoice TfrmFont::Choice() const {
    TFontChoice choice;
    choice.Face = cbFont->currentText().toStdString();
    choice.Size = edtSize->value();
    choice.CharsetIndex = std::max(cbCharset->currentIndex(), 0);
    return choice;
}

std::string TfrmFont::FontString() const {
    return DesignerFontString(Choice());
}

void TfrmFont::UpdateSample() {
    QFont font(Q(SampleFaceOf(cbFont->currentText().toStdString())));
    font.setPointSize(edtSize->value());
    lblSample->setFont(font);
}

} // namespace parvane
