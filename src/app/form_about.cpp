#include "app/form_about.h"

#include "app/dialog_handoff.h"
#include "app/handler_guard.h"
#include "app/jpeg_image.h"
#include "app/program_pictures.h"
#include "app/user_dialogs.h"
#include "base/program.h"
#include "base/release.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>

namespace mondeliar::app {

const char* const WishListAddress = "https://www.mondeliar.org/wishlist.html";
const char* const MakerEmailAddress = "calendar@mondeliar.org";
const char* const AboutFurtherLine = "Your notes, your pages, your own web site.";

namespace {

// A label that opens something when clicked. A double-click opens it once: its first click
// does, or the double-click itself when no click came before it.
class ClickableLabel : public QLabel {
public:
    ClickableLabel(std::function<void()> open, QWidget* parent)
        : QLabel(parent), open_(std::move(open))
    {
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        pressed_ = event->button() == Qt::LeftButton;
        openedByClick_ = false;
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        bool clicked = pressed_ && rect().contains(event->position().toPoint());
        pressed_ = false;
        if (clicked) {
            openedByClick_ = true;
            open_();
        }
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        pressed_ = false;
        if (event->button() == Qt::LeftButton && !openedByClick_)
            open_();
        openedByClick_ = true;
    }

private:
    std::function<void()> open_;
    bool pressed_ = false;
    bool openedByClick_ = false;
};

QLabel* NamedLabel(const char* name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

TFormAbout::TFormAbout(UserDialogs& dialogs, QWidget& mainWindow)
    : QDialog(&mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , dialogs_(dialogs)
    , mainWindow_(mainWindow)
{
    setObjectName("formAbout");
    setWindowTitle("About Mondeliar");
    CreateControls();
    resize(QSize(525, 208).expandedTo(minimumSizeHint()));
    connect(ButtonOk, &QPushButton::clicked, this,
            Guarded(dialogs_, [this](bool) { ButtonOkClick(); }));
}

void TFormAbout::CreateControls()
{
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setAutoFillBackground(true);
    QPalette black = Panel1->palette();
    black.setColor(QPalette::Window, Qt::black);
    Panel1->setPalette(black);
    Image1 = NamedLabel("Image1", QString(), Panel1);
    Image1->setPixmap(QPixmap::fromImage(DecodeJpeg(BannerJpeg())));
    Image1->setMinimumSize(505, 57);
    auto* banner = new QVBoxLayout(Panel1);
    banner->setContentsMargins(8, 4, 8, 4);
    banner->addWidget(Image1, 0, Qt::AlignLeft | Qt::AlignVCenter);

    Image2 = new ClickableLabel([this] { dialogs_.OpenDocument(WishListAddress); }, this);
    Image2->setObjectName("Image2");
    Image2->setPixmap(IconPicture());
    Image2->setScaledContents(true);
    Image2->setFixedSize(33, 33);
    Image2->setToolTip("See my wishlist");

    LabelProgramName = NamedLabel("LabelProgramName", ProgramTitle, this);
    QFont nameFont("Verdana");
    nameFont.setPixelSize(19);
    LabelProgramName->setFont(nameFont);
    LabelVersion = NamedLabel("LabelVersion", QString("Version ") + ReleaseVersion, this);
    LabelFurther = NamedLabel("LabelFurther", AboutFurtherLine, this);
    LabelEmail = NamedLabel("LabelEmail", MakerEmailAddress, this);
    LabelEmail->setTextInteractionFlags(Qt::TextSelectableByMouse);

    LabelURL = new ClickableLabel([this] { dialogs_.OpenDocument(MakerWebAddress); }, this);
    LabelURL->setObjectName("LabelURL");
    LabelURL->setText(MakerWebAddress);
    LabelURL->setToolTip("Visit my web page");
    QFont linkFont = LabelURL->font();
    linkFont.setUnderline(true);
    LabelURL->setFont(linkFont);
    QPalette link = LabelURL->palette();
    link.setColor(QPalette::WindowText, link.color(QPalette::Link));
    LabelURL->setPalette(link);

    ButtonOk = new QPushButton("Ok", this);
    ButtonOk->setObjectName("ButtonOk");
    ButtonOk->setMinimumWidth(qMax(60, ButtonOk->sizeHint().width()));
    ButtonOk->setDefault(true);

    auto* details = new QGridLayout;
    details->setContentsMargins(8, 6, 16, 12);
    details->setHorizontalSpacing(8);
    details->setVerticalSpacing(1);
    details->addWidget(Image2, 0, 0, Qt::AlignTop);
    details->addWidget(LabelProgramName, 0, 1);
    details->setRowMinimumHeight(1, 6);
    details->addWidget(LabelVersion, 2, 1);
    details->addWidget(LabelFurther, 3, 1);
    details->addWidget(LabelEmail, 4, 1);
    details->addWidget(LabelURL, 5, 1);
    details->setColumnStretch(2, 1);
    details->addWidget(ButtonOk, 4, 3, 2, 1, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addLayout(details);
    layout->addStretch(1);
}

void TFormAbout::OpenDialog()
{
    OpenOverMainWindow(mainWindow_, *this);
    ButtonOk->setFocus();
}

void TFormAbout::ButtonOkClick()
{
    ReturnToMainWindow(mainWindow_, *this);
}

void TFormAbout::reject()
{
    ButtonOkClick();
}

void TFormAbout::closeEvent(QCloseEvent* event)
{
    event->accept();
    ButtonOkClick();
}

}  // namespace mondeliar::app
