#pragma once
// The application's style, wrapped so that a skin's style sheet does not
// make the process grow with every repaint.

#include <QProxyStyle>
#include <vector>

namespace shell {

// Under a style sheet each repaint hands the base style a freshly built
// palette, and the base style caches its drawings under a key made from the
// palette's identity: keys no later paint asks for again, and drawings too
// small to count against the cache's limit. Every page turned of the list
// added to memory. Equal palettes are handed on as one shared palette, so
// the same drawing is found again instead of cached anew.
class EstiloPaletasEstables final : public QProxyStyle {
public:
    explicit EstiloPaletasEstables(QStyle* base);
    void drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                       const QWidget* w = nullptr) const override;
    void drawControl(ControlElement ce, const QStyleOption* opt, QPainter* p,
                     const QWidget* w = nullptr) const override;
    void drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                            const QWidget* w = nullptr) const override;
    // Distinct palettes kept (bounded).
    size_t paletas() const { return mPaletas.size(); }

private:
    const QPalette& estable(const QPalette& p) const;
    mutable std::vector<QPalette> mPaletas;
};

// Installs the wrapper as the application's style once.
void instalarEstiloPaletasEstables();

} // namespace shell
