#include "ui/FrmMain.h"

#include "platform/Paths.h"
#include "ui/FrmAbout.h"
#include "ui/GridActions.h"
#include "ui/RepairRun.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>

#include <array>

namespace qm::ui {

namespace {

// Column widths (twips) the list is shown with when the load did not set them.
constexpr std::array<int, kGridColumns> kDefaultColumnTwips{0, 500, 800, 2000, 500, 4000, 3000};
constexpr int kDefaultHeaderTwips = 500;

QColor ToQColor(const Rgb& c) { return QColor(c.r, c.g, c.b); }

int ShiftMaskOf(Qt::KeyboardModifiers m) {
    int mask = 0;
    if (m & Qt::ShiftModifier) mask |= kShiftMask;
    if (m & Qt::ControlModifier) mask |= kCtrlMask;
    if (m & Qt::AltModifier) mask |= kAltMask;
    return mask;
}

} // namespace

FrmMain::FrmMain(AppState& app, MainModel& model, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), app_(app), model_(model), ops_(DefaultEngineOps()) {
    setObjectName("frmMain");
    setWindowTitle("Quillmere");
    endTool_ = [this] {
        hide();
        QCoreApplication::exit(0);
    };

    run_ = new RepairRun(app_, model_, this);
    run_->SetRepair(ops_.repair);
    connect(run_, &RepairRun::runStarted, this, &FrmMain::OnRunStarted);
    connect(run_, &RepairRun::rowDone, this, &FrmMain::OnRowDone);
    connect(run_, &RepairRun::finished, this, &FrmMain::OnRunFinished);

    BuildControls();
    resize(Px(kMainWidthTwips), Px(kMainHeightTwips));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - rect().center());
    }
    ApplyLayout();
    SetRunning(false);
}

FrmMain::~FrmMain() {
    // The worker must be gone before the model and the shared state it uses.
    delete run_;
    run_ = nullptr;
}

void FrmMain::SetEngineOps(EngineOps ops) {
    ops_ = std::move(ops);
    run_->SetRepair(ops_.repair);
}

double FrmMain::Dpi() const {
    const int dpi = logicalDpiX();
    return dpi > 0 ? dpi : 96;
}

int FrmMain::Px(float twips) const { return TwipsToPixels(twips, Dpi()); }

void FrmMain::BuildControls() {
    auto place = [this](QWidget* w, const char* name) {
        w->setObjectName(name);
        const TwipsRect r = FixedPlacementOf(name);
        w->setGeometry(Px(r.left), Px(r.top), Px(r.width), Px(r.height));
    };
    auto button = [&](const char* name, const char* text) {
        auto* b = new QPushButton(text, this);
        place(b, name);
        b->setFocusPolicy(Qt::TabFocus);
        return b;
    };

    labCaption_ = new QLabel(this);
    place(labCaption_, "labCaption");
    // SimSun where it exists; elsewhere a CJK sans face rather than whatever stands in for SimSun.
    QFont captionFont = labCaption_->font();
    captionFont.setFamilies({"SimSun", "Microsoft YaHei", "WenQuanYi Micro Hei", "Noto Sans CJK SC"});
    captionFont.setPointSize(9);
    captionFont.setBold(true);
    labCaption_->setFont(captionFont);
    labCaption_->setStyleSheet("color: white;");

    labAbout_ = new ClickLabel("关于", this);
    labAbout_->setObjectName("labAbout");
    labAbout_->setStyleSheet("color: white;");
    labAbout_->setAlignment(Qt::AlignCenter);
    labAbout_->setCursor(Qt::PointingHandCursor);
    connect(labAbout_, &ClickLabel::clicked, this, &FrmMain::ShowAbout);

    imgExit_ = new ClickLabel(this);
    imgExit_->setObjectName("imgExit");
    imgExit_->setToolTip("关闭");
    imgExit_->setPixmap(DrawClosePicture(Px(frame_.exit.width), Px(frame_.exit.height)));
    connect(imgExit_, &ClickLabel::clicked, this, &FrmMain::EndTool);

    grdTable_ = new QTableWidget(this);
    place(grdTable_, "grdTable");
    grdTable_->setColumnCount(kGridColumns);
    grdTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdTable_->setSelectionMode(QAbstractItemView::SingleSelection);
    grdTable_->verticalHeader()->setVisible(false);
    grdTable_->verticalHeader()->setDefaultSectionSize(Px(300));
    grdTable_->setWordWrap(false);
    // The narrow columns (selection, year) are sized for their content; clip rather than elide "2015".
    grdTable_->setTextElideMode(Qt::ElideNone);
    grdTable_->installEventFilter(this);
    connect(grdTable_, &QTableWidget::cellDoubleClicked, this, &FrmMain::OnCellDoubleClicked);

    cmdSelect_ = button("cmdSelect", "全选");
    cmdClear_ = button("cmdClear", "全清");
    cmdShowAll_ = button("cmdShowAll", "刷新全部");
    cmdBrush_ = button("cmdBrush", "刷新");
    cmdConfirm_ = button("cmdConfirm", "确定");
    cmdCancel_ = button("cmdCancel", "取消");
    cmdStop_ = button("cmdStop", "停止");
    connect(cmdSelect_, &QPushButton::clicked, this, &FrmMain::SelectAll);
    connect(cmdClear_, &QPushButton::clicked, this, &FrmMain::ClearAll);
    connect(cmdShowAll_, &QPushButton::clicked, this, &FrmMain::ShowAll);
    connect(cmdBrush_, &QPushButton::clicked, this, &FrmMain::LoadList);
    connect(cmdConfirm_, &QPushButton::clicked, this, &FrmMain::StartRepair);
    connect(cmdCancel_, &QPushButton::clicked, this, &FrmMain::EndTool);
    connect(cmdStop_, &QPushButton::clicked, this, &FrmMain::RequestStop);

    ProDB_ = new QProgressBar(this);
    place(ProDB_, "ProDB");
    ProDB_->setRange(0, 1);
    ProDB_->setValue(0);
    ProDB_->setTextVisible(false);

    imgLogo_ = new ClickLabel(this);
    place(imgLogo_, "imgLogo");
    imgLogo_->setPixmap(DrawLogoPicture(imgLogo_->width()));
    imgLogo_->setCursor(Qt::PointingHandCursor);
    connect(imgLogo_, &ClickLabel::clicked, this, &FrmMain::OpenLogo);

    labReport_ = new QLabel("结果报告", this);
    place(labReport_, "labReport");
    labReport_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    labReport_->setWordWrap(true);

    SyncGridFromModel();
}

// ---- frame ----

void FrmMain::ApplyLayout() {
    const double dpi = Dpi();
    frame_ = LayoutMainFrame(PixelsToTwips(width(), dpi), PixelsToTwips(height(), dpi), frame_);
    imgExit_->setGeometry(Px(frame_.exit.left), Px(frame_.exit.top), Px(frame_.exit.width), Px(frame_.exit.height));
    labAbout_->setGeometry(Px(frame_.about.left), Px(frame_.about.top), Px(frame_.about.width),
                           Px(frame_.about.height));
    // The title line runs up to the about label instead of being cut at its nominal width.
    const TwipsRect cap = FixedPlacementOf("labCaption");
    const float capWidth = std::max(cap.width, frame_.about.left - cap.left - 120);
    labCaption_->setGeometry(Px(cap.left), Px(cap.top) - 2, Px(capWidth), Px(cap.height) + 4);
    update();
}

void FrmMain::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    ApplyLayout();
}

void FrmMain::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(240, 243, 247));
    auto px = [this](const TwipsRect& r) {
        return QRect(Px(r.left), Px(r.top), Px(r.width), Px(r.height));
    };
    const QColor edge(40, 90, 160);
    QLinearGradient title(0, 0, 0, Px(frame_.top.height));
    title.setColorAt(0, QColor(70, 130, 200));
    title.setColorAt(1, edge);
    for (const TwipsRect* r : {&frame_.topLeft, &frame_.top, &frame_.topRight}) p.fillRect(px(*r), title);
    for (const TwipsRect* r : {&frame_.left, &frame_.right, &frame_.bottomLeft, &frame_.bottom, &frame_.bottomRight})
        p.fillRect(px(*r), edge);
}

void FrmMain::closeEvent(QCloseEvent* e) {
    // A run is not cut off half-way through a database by the window system's close request.
    if (Running())
        e->ignore();
    else
        QWidget::closeEvent(e);
}

void FrmMain::mousePressEvent(QMouseEvent* e) {
    if (!dragger_.Press(this, e)) QWidget::mousePressEvent(e);
}

void FrmMain::mouseMoveEvent(QMouseEvent* e) {
    if (!dragger_.Move(this, e)) QWidget::mouseMoveEvent(e);
}

void FrmMain::mouseReleaseEvent(QMouseEvent* e) {
    dragger_.Release(e);
    QWidget::mouseReleaseEvent(e);
}

// ---- loading ----

void FrmMain::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!loadedOnce_) {
        loadedOnce_ = true;
        Load();
    }
}

void FrmMain::Load() {
    if (Running()) return;
    loadedOnce_ = true;
    InitTexts();
    LoadList();
}

void FrmMain::InitTexts() {
    const std::string readme = JoinPath(app_.platform.toolFolder, kReadmeFileName);
    if (const std::string url = ReadmeUrl(webLocation_); !url.empty() && ops_.downloadFile)
        ops_.downloadFile(app_, url, readme, kReadmeSection);

    if (!publisherRead_) {
        publisherRead_ = true;
        publisher_ = LoadPublisherInfo([&](const std::string& section, const std::string& key, const std::string& def) {
            return ops_.readProfile ? ops_.readProfile(app_, section, key, def, readme) : def;
        });
        publisherAddress_ = PublisherAddress(publisher_);
    }

    labCaption_->setText(Q(BuildTitleLine(app_.cProduct, app_.cSQLVersion, publisher_)));
    model_.labReport.caption = publisher_.intro;
    ApplyReportLabel();
    imgLogo_->setToolTip(Q(publisher_.intro));
}

void FrmMain::LoadList() {
    if (Running()) return;
    run_->Transcript().Clear();
    if (ops_.loadAcc) ops_.loadAcc(app_, model_);
    SyncGridFromModel();
    ApplyReportLabel();
    emit loaded();
}

void FrmMain::ShowAll() {
    if (Running()) return;
    app_.cProduct.clear();
    LoadList();
}

// ---- grid ----

void FrmMain::SyncGridFromModel() {
    const AccountGrid& g = model_.grid;
    grdTable_->clearContents();
    grdTable_->setRowCount(std::max(0, g.Rows() - 1));
    QStringList headers;
    for (int c = 0; c < kGridColumns; ++c) headers << Q(g.Cell(0, c));
    grdTable_->setHorizontalHeaderLabels(headers);
    for (int r = 1; r < g.Rows(); ++r)
        for (int c = 0; c < kGridColumns; ++c) {
            auto* item = new QTableWidgetItem(Q(g.Cell(r, c)));
            if (c == kColSelect) item->setTextAlignment(Qt::AlignCenter);
            grdTable_->setItem(r - 1, c, item);
        }
    for (int c = 0; c < kGridColumns; ++c) {
        const int twips = c < int(g.colWidthsTwips.size()) ? g.colWidthsTwips[size_t(c)] : kDefaultColumnTwips[size_t(c)];
        grdTable_->setColumnWidth(c, Px(float(twips)));
    }
    grdTable_->setColumnHidden(kColDb, true);
    grdTable_->horizontalHeader()->setFixedHeight(Px(float(g.headerHeightTwips > 0 ? g.headerHeightTwips
                                                                                    : kDefaultHeaderTwips)));
    if (g.currentRow >= 1 && g.currentRow < g.Rows()) grdTable_->setCurrentCell(g.currentRow - 1, kColSelect);
    ApplyReportTooltips();
}

void FrmMain::ApplyReportTooltips() {
    for (int row : run_->Transcript().Rows()) {
        if (QTableWidgetItem* item = grdTable_->item(row - 1, kColReport); item && row >= 1)
            item->setToolTip(Q(run_->Transcript().TooltipFor(row)));
    }
}

void FrmMain::ApplyReportLabel() {
    labReport_->setText(Q(model_.labReport.caption));
    QPalette pal = labReport_->palette();
    pal.setColor(QPalette::WindowText, ToQColor(model_.labReport.color));
    labReport_->setPalette(pal);
}

void FrmMain::OnCellDoubleClicked(int tableRow, int col) {
    if (Running()) return;
    const int row = tableRow + 1;
    if (!ToggleSelection(model_.grid, row, col)) return;
    if (QTableWidgetItem* item = grdTable_->item(tableRow, col)) item->setText(Q(model_.grid.Cell(row, col)));
}

void FrmMain::SelectAll() {
    if (Running()) return;
    SetAllSelections(model_.grid, true);
    SyncGridFromModel();
}

void FrmMain::ClearAll() {
    if (Running()) return;
    SetAllSelections(model_.grid, false);
    SyncGridFromModel();
}

bool FrmMain::eventFilter(QObject* watched, QEvent* e) {
    if (watched == grdTable_ && e->type() == QEvent::KeyRelease) {
        auto* k = static_cast<QKeyEvent*>(e);
        // The run reads the product kind, so it is only cleared between runs.
        if (!k->isAutoRepeat() && !Running() && IsClearProductKey(k->key(), ShiftMaskOf(k->modifiers())))
            app_.cProduct.clear();
    }
    return QWidget::eventFilter(watched, e);
}

// ---- repair run ----

bool FrmMain::Running() const { return run_ && run_->Running(); }

bool FrmMain::StartRepair() {
    if (Running()) return false;
    SetRunning(true);
    ProDB_->setRange(0, std::max<int>(1, model_.iAccCount));
    ProDB_->setValue(0);
    if (!run_->Start()) {
        SetRunning(false);
        return false;
    }
    return true;
}

void FrmMain::RequestStop() {
    if (Running()) run_->RequestStop();
    model_.bStop = true;
}

void FrmMain::SetRunning(bool running) {
    for (QWidget* w : {static_cast<QWidget*>(cmdSelect_), static_cast<QWidget*>(cmdClear_),
                       static_cast<QWidget*>(cmdShowAll_), static_cast<QWidget*>(cmdBrush_),
                       static_cast<QWidget*>(cmdConfirm_), static_cast<QWidget*>(cmdCancel_),
                       static_cast<QWidget*>(imgExit_)})
        w->setEnabled(!running);
    cmdStop_->setEnabled(running);
}

void FrmMain::OnRunStarted(int maximum) {
    // An empty range would turn the bar into a busy indicator.
    ProDB_->setRange(0, std::max(1, maximum));
    ProDB_->setValue(0);
}

void FrmMain::OnRowDone(int row, int position, const QString& report) {
    if (QTableWidgetItem* item = grdTable_->item(row - 1, kColReport)) {
        if (!report.isEmpty()) item->setText(report);
        item->setToolTip(Q(run_->Transcript().TooltipFor(row)));
    }
    ProDB_->setValue(std::clamp(position, ProDB_->minimum(), ProDB_->maximum()));
}

void FrmMain::OnRunFinished() {
    // The worker is gone: the model is ours again and holds the final reports and summary.
    for (int r = 1; r < model_.grid.Rows(); ++r)
        if (QTableWidgetItem* item = grdTable_->item(r - 1, kColReport))
            item->setText(Q(model_.grid.Cell(r, kColReport)));
    ApplyReportTooltips();
    ApplyReportLabel();
    SetRunning(false);
    emit repairFinished();
}

// ---- about, logo, end ----

void FrmMain::ShowAbout() {
    if (!about_) about_ = new FrmAbout(app_.platform.shell, this);
    about_->cAboutName = "Quillmere";
    about_->cAboutVersion = "V2.0";
    about_->cAboutCopyright = CopyrightLine(publisher_, QDate::currentDate().year());
    about_->cAboutMaker = PublisherAddress(publisher_);
    about_->Open();
}

void FrmMain::OpenLogo() { OpenUrl(publisherAddress_, this, app_.platform.shell); }

void FrmMain::EndTool() {
    if (Running()) return;
    if (endTool_) endTool_();
}

} // namespace qm::ui
