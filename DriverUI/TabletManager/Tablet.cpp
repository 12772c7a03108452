#include "Tablet.h"

#include <string.h>

QString Tablet::model() const {
    return QString::fromUtf8(m_cfg.sModel, int(strnlen(m_cfg.sModel, sizeof m_cfg.sModel)));
}

QString Tablet::fullModel() const {
    return QString::fromUtf8(m_cfg.sFullModel,
                             int(strnlen(m_cfg.sFullModel, sizeof m_cfg.sFullModel)));
}

QString Tablet::name() const {
    // UTF-16LE, up to 64 code units, ended by the first zero unit.
    const int units = int(sizeof m_cfg.sName / 2);
    QString text;
    text.reserve(units);
    for (int i = 0; i < units; ++i) {
        const auto lo = static_cast<unsigned char>(m_cfg.sName[2 * i]);
        const auto hi = static_cast<unsigned char>(m_cfg.sName[2 * i + 1]);
        const char16_t unit = char16_t(lo | (hi << 8));
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    // A lone surrogate cut off by the field's end is dropped rather than shown as garbage.
    if (!text.isEmpty() && text.at(text.size() - 1).isHighSurrogate())
        text.chop(1);
    text = text.trimmed();
    return text.isEmpty() ? model() : text;
}
