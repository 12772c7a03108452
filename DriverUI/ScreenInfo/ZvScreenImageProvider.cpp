#include "ZvScreenImageProvider.h"

#include <QMutexLocker>

void ZvScreenPicture::set(const QImage& image) {
    QMutexLocker lock(&_mutex);
    _image = image;
    ++_serial;
}

QImage ZvScreenPicture::image() const {
    QMutexLocker lock(&_mutex);
    return _image;
}

quint64 ZvScreenPicture::serial() const {
    QMutexLocker lock(&_mutex);
    return _serial;
}

QString ZvScreenPicture::url() const {
    return QStringLiteral("image://%1/desktop?%2").arg(QLatin1String(kProviderId)).arg(serial());
}

ZvScreenImageProvider::ZvScreenImageProvider(std::shared_ptr<const ZvScreenPicture> picture)
    : QQuickImageProvider(QQuickImageProvider::Image), _picture(std::move(picture)) {}

QImage ZvScreenImageProvider::requestImage(const QString&, QSize* size,
                                           const QSize& requestedSize) {
    const QImage image = _picture ? _picture->image() : QImage();
    if (size)
        *size = image.size();
    if (image.isNull())
        return image;
    // QML asks with one side 0 when only the other is bound (sourceSize.width alone).
    const int w = requestedSize.width(), h = requestedSize.height();
    if (w > 0 && h > 0)
        return image.scaled(requestedSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (w > 0)
        return image.scaledToWidth(w, Qt::SmoothTransformation);
    if (h > 0)
        return image.scaledToHeight(h, Qt::SmoothTransformation);
    return image;
}
