#include "ledgerpage.h"

#include "components/busy.h"
#include "components/dbcontrols.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "components/gridexport.h"
#include "components/gridprinter.h"
#include "data/rowinprogress.h"
#include "data/tdm.h"
#include "ledger/tfrmdqsz.h"
#include "ledger/tfrmdz.h"
#include "ledger/tfrmzbcx.h"
#include "ledger/tfrmzddr.h"
#include "platform/platform.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

LedgerPage::LedgerPage(GridPrinter *printer, SaveDialog *saveDialog, QWidget *parent)
    : QWidget(parent)
    , m_printer(printer)
    , m_saveDialog(saveDialog)
{
    Label1 = new QLabel(QStringLiteral("家  庭  收  支  流  水  帐"), this);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setStyleSheet(
        QStringLiteral("QLabel { color: blue; font-weight: bold; font-size: 20px; "
                       "font-family: '楷体_GB2312', 'KaiTi', 'AR PL UKai CN', 'Noto Sans CJK SC'; }"));
    DBGridEh1 = new DBGridEh(this);
    DBGridEh1->setAccessibleName(QStringLiteral("流水帐"));
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setHint(QStringLiteral("点击表头自动排序"));
    DBGridEh1->setPrinter(printer);
    DBGridEh1->setDataSource(DM->DSlsz);

    BitBtn1 = new QPushButton(QStringLiteral("增加"), this);
    BitBtn2 = new QPushButton(QStringLiteral("修改"), this);
    BitBtn3 = new QPushButton(QStringLiteral("删除"), this);
    BitBtn4 = new QPushButton(QStringLiteral("打印"), this);
    BitBtn5 = new QPushButton(QStringLiteral("导出数据"), this);
    BitBtn6 = new QPushButton(QStringLiteral("条件筛选"), this);
    BitBtn7 = new QPushButton(QStringLiteral("导入账单"), this);
    BitBtn8 = new QPushButton(QStringLiteral("定期收支"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);
    buttons->addSpacing(30);
    buttons->addWidget(BitBtn4);
    buttons->addWidget(BitBtn5);
    buttons->addWidget(BitBtn7);
    buttons->addSpacing(30);
    buttons->addWidget(BitBtn6);
    buttons->addWidget(BitBtn8);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Label1);
    layout->addWidget(DBGridEh1, 1);
    layout->addLayout(buttons);

    const QList<QPushButton *> all = {BitBtn1, BitBtn2, BitBtn3, BitBtn4, BitBtn5, BitBtn6, BitBtn7, BitBtn8};
    for (int i = 0; i < all.size(); ++i)
        all[i]->setObjectName(QStringLiteral("BitBtn%1").arg(i + 1));
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
    connect(BitBtn3, &QPushButton::clicked, this, guarded([this] { BitBtn3Click(); }));
    connect(BitBtn4, &QPushButton::clicked, this, guarded([this] { BitBtn4Click(); }));
    connect(BitBtn5, &QPushButton::clicked, this, guarded([this] { BitBtn5Click(); }));
    connect(BitBtn6, &QPushButton::clicked, this, guarded([this] { BitBtn6Click(); }));
    connect(BitBtn7, &QPushButton::clicked, this, guarded([this] { BitBtn7Click(); }));
    connect(BitBtn8, &QPushButton::clicked, this, guarded([this] { BitBtn8Click(); }));
    // a double click edits as "修改" does, and not while "修改" is off
    connect(DBGridEh1, &DBGridEh::doubleClicked, BitBtn2, &QPushButton::click);
}

void LedgerPage::bindColumns()
{
    const QColor green(0, 128, 0);
    const QColor red(255, 0, 0);
    const QColor blue(0, 0, 255);
    const QColor maroon(128, 0, 0);
    const QList<GridColumn> columns = {
        GridColumn::of(QStringLiteral("序号"), QStringLiteral("zbid"), 36),
        GridColumn::of(QStringLiteral("日期"), QStringLiteral("rq"), 65, Qt::AlignCenter),
        GridColumn::of(QStringLiteral("类型"), QStringLiteral("lx"), 32, Qt::AlignCenter),
        GridColumn::of(QStringLiteral("费用项目"), QStringLiteral("xm"), 83)
            .counting(QStringLiteral("共0条记录"), maroon),
        GridColumn::of(QStringLiteral("费用明细"), QStringLiteral("mx"), 82),
        GridColumn::amount(QStringLiteral("收入额"), QStringLiteral("sr"), 70, green),
        GridColumn::amount(QStringLiteral("支出额"), QStringLiteral("zc"), 68, red),
        GridColumn::amount(QStringLiteral("净收支额"), QStringLiteral("jsze"), 67, blue),
        GridColumn::of(QStringLiteral("收支帐户"), QStringLiteral("szr"), 138),
        GridColumn::of(QStringLiteral("备注"), QStringLiteral("bz"), 214).fillingTheRoom(),
        GridColumn::of(QStringLiteral("记帐人"), QStringLiteral("jzr"), 51, Qt::AlignCenter),
        GridColumn::of(QStringLiteral("修改时间"), QStringLiteral("jzsj"), 108),
    };
    DBGridEh1->setColumns(columns);
}

void LedgerPage::BitBtn1Click()
{
    TFrmDz *form = forms().FrmDz;
    RowInProgress row(DM->ADOQlsz);
    form->presetNewEntry(platform().today(), true);
    row.keep();
    platform().showModal(form);
}

void LedgerPage::BitBtn2Click()
{
    TDM *dm = DM;
    TFrmDz *form = forms().FrmDz;
    Dataset *ledger = dm->ADOQlsz;
    RowInProgress row(ledger, RowInProgress::Start::Edit);
    const bool income = ledger->asString(QStringLiteral("lx")) == QStringLiteral("收入");
    form->DBEdit2->setLocked(income);
    form->DBEdit3->setLocked(!income);
    ledger->setValue(QStringLiteral("jzr"), dm->ADOQLog->value(QStringLiteral("yhmc")));
    row.keep();
    platform().showModal(form);
}

void LedgerPage::BitBtn3Click()
{
    if (platform().askYesNo(window(), QStringLiteral("   删除后将不能恢复，是否确认删除？  ")))
        DM->ADOQlsz->remove();
}

void LedgerPage::BitBtn4Click()
{
    m_printer->previewGrid(DBGridEh1, Label1->text(), window());
}

void LedgerPage::BitBtn5Click()
{
    m_saveDialog->fileName = QStringLiteral("家庭收支流水帐");
    ExportGrid(m_saveDialog, DBGridEh1);
}

void LedgerPage::BitBtn6Click()
{
    platform().showModal(forms().FrmZbcx);
}

void LedgerPage::BitBtn7Click()
{
    QSettings settings;
    const QString folderKey = QStringLiteral("bills/folder");
    FileDialogRequest request;
    request.title = QStringLiteral("导入账单");
    request.filter = QStringLiteral("账单文件|*.csv;*.xlsx;*.xls|支付宝压缩账单|*.zip|所有文件|*");
    request.directory = settings.value(folderKey).toString();
    const FileDialogResult chosen = platform().openFile(window(), request);
    if (!chosen.accepted)
        return;
    settings.setValue(folderKey, QFileInfo(chosen.fileName).absolutePath());

    TDM *dm = DM;
    QString password;
    BillImport::Preview preview;
    for (;;) {
        Bills::ReadStatus status = Bills::ReadStatus::Failed;
        QString error;
        runBusy(window(), QStringLiteral("正在读取账单……"), [&](BusyTask &) {
            preview = BillImport::read(dm->ADOConnection1, chosen.fileName, password, &status, &error);
        });
        if (status == Bills::ReadStatus::Ok)
            break;
        if (status == Bills::ReadStatus::Failed) {
            platform().showMessage(
                window(),
                QStringLiteral("无法读取账单文件“%1”：\r%2").arg(QFileInfo(chosen.fileName).fileName(), error));
            return;
        }
        const QString prompt
            = status == Bills::ReadStatus::NeedsPassword
                  ? QStringLiteral("这个压缩账单有密码保护。\n请输入解压密码（支付宝发送账单时告知的密码）：")
                  : QStringLiteral("解压密码不对，请重新输入：");
        if (!platform().askText(window(), QStringLiteral("导入账单"), prompt, true, &password))
            return;
    }
    if (preview.source == Bills::Source::Unknown && preview.header.isEmpty()) {
        platform().showMessage(window(), QStringLiteral("“%1”不是认识的账单：文件中找不到带表头的表格。")
                                             .arg(QFileInfo(chosen.fileName).fileName()));
        return;
    }
    if (preview.source == Bills::Source::Unknown)
        platform().showMessage(window(), QStringLiteral("这个账单的格式还不认识。\r"
                                                        "请在“列对应”中指出日期、金额等各列，"
                                                        "以后同样格式的账单会自动认出。"));
    TFrmZddr *form = forms().FrmZddr;
    form->setPreview(std::move(preview));
    platform().showModal(form);
    if (form->changedLedger()) {
        dm->ADOQlsz->close();
        dm->ADOQlsz->open();
        if (const qint64 first = form->firstImported())
            dm->ADOQlsz->locate(QStringLiteral("zbid"), first);
    }
}

void LedgerPage::BitBtn8Click()
{
    platform().showModal(forms().FrmDqsz);
}
