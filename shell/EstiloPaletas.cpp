#include "shell/EstiloPaletas.h"

#include <QApplication>
#include <QStyleFactory>
#include <QStyleOption>

namespace shell {

namespace {

constexpr size_t kMaxPaletas = 64;

// A copy of the option, of its own type, with the palette replaced; false
// when the option is not of type T.
template <typename T, typename F> bool conPaleta(const QStyleOption* opt, const QPalette& paleta, F&& f) {
    const T* o = qstyleoption_cast<const T*>(opt);
    if (!o) return false;
    T copia(*o);
    copia.palette = paleta;
    f(&copia);
    return true;
}

template <typename F> void conPaletaEstable(const QStyleOption* opt, const QPalette& paleta, F&& f) {
    if (!opt || opt->palette.cacheKey() == paleta.cacheKey()) {
        f(opt);
        return;
    }
    // Most derived types first: qstyleoption_cast accepts a subtype.
    if (conPaleta<QStyleOptionComboBox>(opt, paleta, f) || conPaleta<QStyleOptionSpinBox>(opt, paleta, f) ||
        conPaleta<QStyleOptionSlider>(opt, paleta, f) || conPaleta<QStyleOptionToolButton>(opt, paleta, f) ||
        conPaleta<QStyleOptionTitleBar>(opt, paleta, f) || conPaleta<QStyleOptionGroupBox>(opt, paleta, f) ||
        conPaleta<QStyleOptionSizeGrip>(opt, paleta, f) || conPaleta<QStyleOptionButton>(opt, paleta, f) ||
        conPaleta<QStyleOptionFrame>(opt, paleta, f) || conPaleta<QStyleOptionHeaderV2>(opt, paleta, f) ||
        conPaleta<QStyleOptionHeader>(opt, paleta, f) || conPaleta<QStyleOptionProgressBar>(opt, paleta, f) ||
        conPaleta<QStyleOptionTab>(opt, paleta, f) || conPaleta<QStyleOptionTabWidgetFrame>(opt, paleta, f) ||
        conPaleta<QStyleOptionMenuItem>(opt, paleta, f) || conPaleta<QStyleOptionToolBar>(opt, paleta, f) ||
        conPaleta<QStyleOptionViewItem>(opt, paleta, f) || conPaleta<QStyleOptionFocusRect>(opt, paleta, f) ||
        conPaleta<QStyleOptionDockWidget>(opt, paleta, f) || conPaleta<QStyleOptionToolBox>(opt, paleta, f) ||
        conPaleta<QStyleOptionRubberBand>(opt, paleta, f) ||
        conPaleta<QStyleOptionGraphicsItem>(opt, paleta, f))
        return;
    if (opt->type == QStyleOption::SO_Default) {
        QStyleOption copia(*opt);
        copia.palette = paleta;
        f(&copia);
        return;
    }
    f(opt); // a type not listed: drawn as given
}

} // namespace

EstiloPaletasEstables::EstiloPaletasEstables(QStyle* base)
    : QProxyStyle(base) {}

const QPalette& EstiloPaletasEstables::estable(const QPalette& p) const {
    for (const QPalette& q : mPaletas)
        if (q.cacheKey() == p.cacheKey() || q == p) return q;
    if (mPaletas.size() >= kMaxPaletas) mPaletas.clear();
    mPaletas.push_back(p);
    return mPaletas.back();
}

void EstiloPaletasEstables::drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                                          const QWidget* w) const {
    if (!opt) return QProxyStyle::drawPrimitive(pe, opt, p, w);
    const QPalette paleta = estable(opt->palette);
    conPaletaEstable(opt, paleta, [&](const QStyleOption* o) { QProxyStyle::drawPrimitive(pe, o, p, w); });
}

void EstiloPaletasEstables::drawControl(ControlElement ce, const QStyleOption* opt, QPainter* p,
                                        const QWidget* w) const {
    if (!opt) return QProxyStyle::drawControl(ce, opt, p, w);
    const QPalette paleta = estable(opt->palette);
    conPaletaEstable(opt, paleta, [&](const QStyleOption* o) { QProxyStyle::drawControl(ce, o, p, w); });
}

void EstiloPaletasEstables::drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                                               const QWidget* w) const {
    if (!opt) return QProxyStyle::drawComplexControl(cc, opt, p, w);
    const QPalette paleta = estable(opt->palette);
    conPaletaEstable(opt, paleta, [&](const QStyleOption* o) {
        QProxyStyle::drawComplexControl(cc, static_cast<const QStyleOptionComplex*>(o), p, w);
    });
}

void instalarEstiloPaletasEstables() {
    if (dynamic_cast<EstiloPaletasEstables*>(QApplication::style())) return;
    QApplication::setStyle(new EstiloPaletasEstables(QStyleFactory::create(QApplication::style()->name())));
}

} // namespace shell
