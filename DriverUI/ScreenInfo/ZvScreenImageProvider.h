// The desktop picture of the work-area page, kept in memory and handed to QML as
// "image://zvscreen/desktop?<serial>". A picture in a file would be one more thing another user
// could read or replace; the serial makes QML load a new capture instead of its cached one.
#pragma once

#include <QImage>
#include <QMutex>
#include <QQuickImageProvider>
#include <QString>

#include <memory>

// The latest capture. Written on the GUI thread, read by the image provider, which Qt Quick may
// call from its loader thread (asynchronous images).
class ZvScreenPicture {
public:
    static constexpr const char* kProviderId = "zvscreen";

    // Replaces the picture and moves the serial on.
    void set(const QImage& image);
    QImage image() const;
    // 0 until the first set.
    quint64 serial() const;
    // "image://zvscreen/desktop?<serial>".
    QString url() const;

private:
    mutable QMutex _mutex;
    QImage _image;
    quint64 _serial = 0;
};

// Serves the one picture whatever the id after the provider name says; the query part only
// defeats QML's cache. The engine owns the provider, the provider shares the picture, so either
// may outlive the other.
class ZvScreenImageProvider : public QQuickImageProvider {
public:
    explicit ZvScreenImageProvider(std::shared_ptr<const ZvScreenPicture> picture);

    // The picture, scaled to requestedSize when one is asked for (aspect kept); *size is the
    // size of the picture before scaling. A null image before the first capture.
    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

private:
    std::shared_ptr<const ZvScreenPicture> _picture;
};
