#include "help/AboutBox.h"

#include "core/MessageBox.h"
#include "core/Twips.h"
#include "core/ui/Widgets.h"
#include "png/LoadPNG.h"
#include "png/qt/WidgetTarget.h"

#include <QFile>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

// Outside any namespace, as the resource initialiser requires.
static void initHelpResources() { Q_INIT_RESOURCE(help); }

const QString AboutBox::WebAddress = QStringLiteral("www.belmarsk.example");
const QString AboutBox::ContactLine = QStringLiteral("联系电话：010-5550 1420 / 1421");

namespace {

const QColor darkRed(192, 0, 0);

void setTextColour(QWidget *w, const QColor &colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, colour);
    w->setPalette(pal);
}

QFont songti(qreal points, bool bold = false)
{
    QFont font(QStringLiteral("宋体"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The logo is part of the program, so it is compiled in rather than looked for beside the
// database; like every picture the program shows it goes through the program's own decoder,
// composited over the label's colour wherever it may be translucent.
QImage decodeLogo(const QColor &backdrop)
{
    QFile file(QStringLiteral(":/help/logo.png"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    png::LoadPNG loader;
    loader.setMessageHandler([](const std::string &text) { MessageBox::show(QString::fromStdString(text)); });
    loader.setUseAlpha(true);
    loader.setUseTransparency(true);
    loader.setOwnBackgroundColor(uint32_t(backdrop.red() | backdrop.green() << 8 | backdrop.blue() << 16));
    loader.openData(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    if (loader.errorNumber() != 0 || !loader.bitmap())
        return {};
    return png::WidgetTarget::toImage(*loader.bitmap());
}

} // namespace

AboutBox::AboutBox(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    initHelpResources();
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于Tavorin"));
    setFont(songti(9));
    setFixedSize(Twips::toPixels(5730), Twips::toPixels(3555));

    const auto makeLabel = [this](const char *name, const QString &text, QRect geometry) {
        QLabel *label = ui::label(this, QLatin1String(name), text);
        label->setGeometry(geometry);
        return label;
    };

    iconLabel = makeLabel("picIcon", QString(), QRect(8, 16, 64, 94));
    iconLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    iconLabel->setLineWidth(2);
    iconLabel->setAlignment(Qt::AlignCenter);
    iconLabel->setPixmap(QPixmap::fromImage(decodeLogo(iconLabel->palette().color(QPalette::Window))));
    iconLabel->setAccessibleName(QStringLiteral("Tavorin"));

    titleLabel = makeLabel("lblTitle", QStringLiteral("Tavorin"), QRect(85, 16, 88, 21));
    titleLabel->setFont(songti(15.75, true));
    setTextColour(titleLabel, palette().color(QPalette::Highlight));

    versionLabel = makeLabel("lblVersion", QStringLiteral("V1.0"), QRect(185, 16, 44, 20));
    versionLabel->setFont(songti(15, true));
    setTextColour(versionLabel, darkRed);

    descriptionLabel = makeLabel("lblDescription", QStringLiteral("应用程序描述："), QRect(85, 56, 84, 12));
    setTextColour(descriptionLabel, Qt::black);

    descriptionText = makeLabel("Label1", QStringLiteral("网站优化离不开数据分析，本软件根据优化人员的工作流程及需求设计。"),
                       QRect(85, 77, 289, 33));
    descriptionText->setWordWrap(true);
    descriptionText->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // An etched separator: a grey line with a white one under it.
    auto makeLine = [this](const char *name, QRect geometry, const QColor &colour) {
        auto *line = new QFrame(this);
        line->setObjectName(QLatin1String(name));
        line->setGeometry(geometry);
        line->setAutoFillBackground(true);
        QPalette pal = line->palette();
        pal.setColor(QPalette::Window, colour);
        line->setPalette(pal);
        return line;
    };
    upperRule = makeLine("Line1_0", QRect(6, 144, 371, 1), QColor(128, 128, 128));
    lowerRule = makeLine("Line1_1", QRect(6, 145, 371, 2), Qt::white);

    publisherLabel = makeLabel("lblDisclaimer", QStringLiteral("单位：Belmarsk"), QRect(16, 162, 108, 12));
    setTextColour(publisherLabel, QColor(192, 64, 0));

    webAddressLabel = makeLabel("Label2", QStringLiteral("网址：") + WebAddress, QRect(16, 182, 180, 12));
    setTextColour(webAddressLabel, darkRed);

    contactLabel = makeLabel("Label3", ContactLine, QRect(16, 203, 240, 12));
    setTextColour(contactLabel, darkRed);

    // The sizes suit 宋体; where another font stands in and runs wider, the
    // one-line labels grow to the right rather than cut their text off.
    for (QLabel *label : {titleLabel, versionLabel, descriptionLabel, publisherLabel, webAddressLabel, contactLabel}) {
        const int needed = label->sizeHint().width();
        if (needed > label->width())
            label->resize(needed, label->height());
    }

    okButton = new QPushButton(QStringLiteral("关闭"), this);
    okButton->setObjectName(QStringLiteral("cmdOK"));
    okButton->setGeometry(315, 200, 60, 23);
    okButton->setDefault(true);
    okButton->setAutoDefault(true);
    okButton->setFocus();
    connect(okButton, &QPushButton::clicked, this, &QWidget::close);

    // Centred once, when the window is created; reopening it while it lives
    // leaves it where the user put it.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}
