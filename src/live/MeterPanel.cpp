#include "live/MeterPanel.h"

#include "link/MeterLink.h"
#include "live/MeterButtonTable.h"
#include "live/PanelArt.h"

#include <QFontMetrics>
#include <QPainter>

#include <array>

namespace {

// The display's fonts are named after faces no system has; the nearest real
// ones are a Times-like serif for the numbers and a plain sans for the words.
QFont makeFont(ReadoutFont which) {
    const ReadoutFontSpec spec = readoutFontSpec(which);
    QFont f;
    if (which == ReadoutFont::Status) {
        f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                       QStringLiteral("DejaVu Sans")});
        f.setStyleHint(QFont::SansSerif);
    } else {
        f.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                       QStringLiteral("DejaVu Serif")});
        f.setStyleHint(QFont::Serif);
    }
    f.setBold(spec.bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    // the given height is the character cell's, as the display was designed with
    int px = spec.height;
    f.setPixelSize(px);
    while (px > 4 && QFontMetrics(f).height() > spec.height)
        f.setPixelSize(--px);
    if (spec.width > 0) {
        const int avg = QFontMetrics(f).averageCharWidth();
        if (avg > 0)
            f.setStretch(std::clamp(100 * spec.width / avg, 50, 200));
    }
    return f;
}

const QFont& readoutFont(ReadoutFont which) {
    static const std::array<QFont, 4> fonts{
        makeFont(ReadoutFont::Clock), makeFont(ReadoutFont::TimeWord),
        makeFont(ReadoutFont::BarLabel), makeFont(ReadoutFont::Status)};
    return fonts[static_cast<std::size_t>(which)];
}

const QPixmap& imageOf(const ReadoutImage& image, const PanelArt& art) {
    switch (image.kind) {
    case ReadoutImage::Kind::Digit:
        return art.digits[image.digit];
    case ReadoutImage::Kind::Point:
        return art.point;
    case ReadoutImage::Kind::Tick:
        break;
    }
    return art.tick;
}

} // namespace

CMeterPanel::CMeterPanel(const MeterLink& link, QWidget* parent) : QWidget(parent), link_(link) {
    setFixedSize(panelWidth, panelHeight);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void CMeterPanel::refresh() {
    const MeterLink::Snapshot snap = link_.snapshot();
    // The digits and the bar follow from the state alone (a freeze keeps what
    // the same state showed before), so an equal state paints the same picture.
    if (painted_ && showedOff_ == !snap.connected && (!snap.connected || snap.state == shown_))
        return;
    update();
}

void CMeterPanel::paintEvent(QPaintEvent*) {
    const PanelArt& art = PanelArt::instance();
    const MeterLink::Snapshot snap = link_.snapshot();
    QPainter target(this);
    painted_ = true;
    showedOff_ = !snap.connected;
    shown_ = snap.state;
    if (!snap.connected) {
        target.drawPixmap(0, 0, art.bodyOff);
        return;
    }

    // composed off-screen and copied in one piece, so the display never flickers
    QPixmap surface = art.body;
    {
        QPainter p(&surface);
        p.fillRect(displayRect.x, displayRect.y, displayRect.width, displayRect.height,
                   QColor(lcdColor));
        const ReadoutLayout layout = composeReadout(snap.state, values_);
        for (const ReadoutImage& image : layout.images)
            p.drawPixmap(image.x, image.y, imageOf(image, art));
        p.setPen(Qt::black);
        for (const ReadoutText& text : layout.texts) {
            const QFont& f = readoutFont(text.font);
            p.setFont(f);
            p.drawText(QRect(text.x, text.y, panelWidth, QFontMetrics(f).height() + 2),
                       Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(text.text));
        }
    }
    target.drawPixmap(0, 0, surface);
    if (snap.state.range != 0)
        ++livePaints_;
}

CMeterButton::CMeterButton(const MeterButtonSpec& spec, QWidget* parent)
    : QAbstractButton(parent), spec_(spec) {
    setText(QString::fromUtf8(spec.caption));
    setToolTip(tr(spec.caption));
    setFocusPolicy(Qt::NoFocus);
    setGeometry(spec.homeX, spec.homeY, spec.width, spec.height);
    connect(this, &QAbstractButton::pressed, this, [this] {
        move(spec_.pressedX, spec_.pressedY);
        emit keyPressed(spec_.code);
    });
    connect(this, &QAbstractButton::released, this, [this] { move(spec_.homeX, spec_.homeY); });
}

int CMeterButton::keyCode() const {
    return spec_.code;
}

void CMeterButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, PanelArt::instance().keys[spec_.code]);
}
