#include "tfrmlog.h"

#include "components/formwidgets.h"

#include "components/artwork.h"
#include "components/forms.h"
#include "components/statusbar.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "platform/platform.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TFrmLog::TFrmLog(StatusBar *statusBar, QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_statusBar(statusBar)
{
    setObjectName(QStringLiteral("FrmLog"));
    setWindowTitle(QStringLiteral("用户登陆"));

    Image1 = new QLabel(this);
    Image1->setPixmap(Artwork::loginPicture(QSize(80, 80)));
    Image1->setScaledContents(true);
    Image1->setFixedSize(80, 80);
    Label3 = new QLabel(QStringLiteral("欢迎使用青禾家庭收支doz"), this);
    Label3->setStyleSheet(QStringLiteral("color: red; font-size: 15px;"));
    Label4 = new QLabel(QStringLiteral("请输入用户名和口令："), this);
    Label4->setStyleSheet(QStringLiteral("color: blue; font-weight: bold;"));
    Label1 = new QLabel(QStringLiteral("用  户  名"), this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setEditText(QStringLiteral("管理员"));
    // Letters typed into the name are shown (and looked up) in upper case.
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this, [this](const QString &text) {
        const QString upper = text.toUpper();
        if (upper == text)
            return;
        QLineEdit *edit = ComboBox1->lineEdit();
        const int cursor = edit->cursorPosition();
        edit->setText(upper);
        edit->setCursorPosition(cursor);
    });
    Label2 = new QLabel(QStringLiteral("用户口令"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEchoMode(QLineEdit::Password);
    BitBtn1 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn2 = new QPushButton(QStringLiteral("取消"), this);
    for (QPushButton *b : {BitBtn1, BitBtn2}) {
        b->setAutoDefault(false); // Enter in the name field does nothing special
        b->setDefault(false);
    }

    auto *top = new QHBoxLayout;
    top->addWidget(Image1);
    auto *welcome = new QVBoxLayout;
    welcome->addWidget(Label3);
    welcome->addWidget(Label4);
    top->addLayout(welcome, 1);
    auto *fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(ComboBox1, 0, 1);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(Edit1, 1, 1);
    auto *buttons = centredRow({BitBtn1, BitBtn2});
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    setFixedSize(330, 230);

    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
    connect(Edit1, &QLineEdit::returnPressed, this, guarded([this] { Edit1KeyPress(); }));

    forms().FrmLog = this;
    guard([this] { FormCreate(); });
}

void TFrmLog::FormCreate()
{
    Dataset *users = DM->ADOQczyh;
    if (!users->isActive()) // the database could not be opened; that was reported
        return;
    ComboBox1->setEditText(users->asString(QStringLiteral("yhmc")));
    const int count = users->recordCount();
    for (int i = 0; i < count; ++i) {
        ComboBox1->addItem(users->asString(QStringLiteral("yhmc")));
        users->next();
    }
    ComboBox1->setCurrentIndex(0);
}

void TFrmLog::FormShow()
{
    // Centred on the desktop, the focus in the password.
    if (screen())
        move(screen()->availableGeometry().center() - rect().center());
    // The password shows "@" for every letter. The look's style sheet is
    // applied after this dialog was made and takes the field's own rule
    // away, so the rule is given again each time the dialog shows.
    Edit1->setStyleSheet(QString());
    Edit1->setStyleSheet(QStringLiteral("lineedit-password-character: 64;"));
    Edit1->setFocus();
}

void TFrmLog::refuse()
{
    platform().showMessage(this, QStringLiteral("用户口令不正确，请重试！"));
    Edit1->setFocus();
    Edit1->selectAll();
}

QString TFrmLog::foldedName(const QString &name)
{
    // blanks at either end (also the full-width one) are no part of a name
    QString folded = FormWidgets::trimmed(name);
    while (folded.startsWith(QChar(0x3000)) || folded.endsWith(QChar(0x3000)))
        folded = FormWidgets::trimmed(folded.startsWith(QChar(0x3000)) ? folded.mid(1) : folded.chopped(1));
    for (QChar &c : folded) {
        // full-width Latin letters and digits, as an input method types them
        const char16_t u = c.unicode();
        if ((u >= 0xFF10 && u <= 0xFF19) || (u >= 0xFF21 && u <= 0xFF3A) || (u >= 0xFF41 && u <= 0xFF5A))
            c = QChar(char16_t(u - 0xFEE0));
    }
    return folded.toCaseFolded();
}

// The stored name of the user whose name equals the typed one under Unicode
// case folding (the database itself folds only ASCII letters); the typed
// name itself when no user has it.
QString TFrmLog::storedName(const QString &typed) const
{
    const QString wanted = foldedName(typed);
    Dataset users(DM->ADOConnection1); // the users as stored now
    users.requery(QStringLiteral("select yhmc from czyh"));
    Dataset *scratch = &users;
    const int column = scratch->requireField(QStringLiteral("yhmc"));
    QString found = typed;
    bool folded = false;
    for (int row = 0; row < scratch->recordCount(); ++row) {
        const QString name = scratch->textAt(row, column);
        if (name == typed)
            return name;
        if (!folded && foldedName(name) == wanted) {
            found = name;
            folded = true;
        }
    }
    return found;
}

void TFrmLog::BitBtn1Click()
{
    Dataset *log = DM->ADOQLog;
    const QString name = storedName(ComboBox1->currentText());
    log->requery(QStringLiteral("select * from czyh where yhmc='") + sqlText(name) + QStringLiteral("'"));
    // A name that matches no user is refused like a wrong password.
    if (log->isEmpty() || log->asString(QStringLiteral("yhkl")) != Edit1->text()) {
        refuse();
        return;
    }
    LoginDone = true;
    m_statusBar->setPanelText(0, QStringLiteral("操作员：『") + log->asString(QStringLiteral("yhmc"))
                                     + QStringLiteral("』"));
    if (m_afterLogin)
        guard(m_afterLogin);
    accept();
}

void TFrmLog::BitBtn2Click()
{
    close();
}

void TFrmLog::Edit1KeyPress()
{
    BitBtn1Click();
}

void TFrmLog::FormClose()
{
    if (!LoginDone)
        platform().terminate();
}
