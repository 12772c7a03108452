// Every operation of the QML bridge, called from QML as a page would, with no tablet present:
// each one is reachable (an invokable or a slot with arguments QML can pass) and answers with
// its neutral value rather than failing. The list comes from the bridge's meta-object, so an
// operation added later is called too.
#include "UIManager.h"
#include "ZvDBusDaemon.h"

#include <QMetaMethod>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQml>

#include <gtest/gtest.h>

namespace {

// A QML literal for an argument of this type; empty when QML cannot pass one.
QString argumentFor(int type) {
    switch (type) {
    case QMetaType::Int:
    case QMetaType::UInt:
        return QStringLiteral("0");
    case QMetaType::Bool:
        return QStringLiteral("false");
    case QMetaType::Double:
        return QStringLiteral("0.5");
    case QMetaType::QString:
        return QStringLiteral("\"x\"");
    case QMetaType::QUrl:
        return QStringLiteral("\"file:///nonexistent/x.cfg\"");
    case QMetaType::QRect:
        return QStringLiteral("Qt.rect(0, 0, 10, 10)");
    default:
        return QString();
    }
}

} // namespace

TEST(AppBridgeQml, EveryOperationIsCallableFromQmlWithoutATablet) {
    // Operations that write the user's autostart entry do so into a folder of the test's own.
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qmlRegisterType<UIManager>("Zerva.UIManager", 1, 0, "UIManager");
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData("import Zerva.UIManager 1.0\nUIManager {}", QUrl());
    std::unique_ptr<QObject> ui(component.create());
    ASSERT_NE(ui, nullptr) << component.errorString().toStdString();
    engine.globalObject().setProperty(QStringLiteral("ui"), engine.newQObject(ui.get()));
    QQmlEngine::setObjectOwnership(ui.get(), QQmlEngine::CppOwnership);

    const QMetaObject* mo = ui->metaObject();
    int called = 0;
    for (int i = QObject::staticMetaObject.methodCount(); i < mo->methodCount(); ++i) {
        const QMetaMethod m = mo->method(i);
        if (m.methodType() == QMetaMethod::Signal || m.access() != QMetaMethod::Public)
            continue;
        QStringList args;
        for (int p = 0; p < m.parameterCount(); ++p) {
            const QString arg = argumentFor(m.parameterType(p));
            ASSERT_FALSE(arg.isEmpty())
                << m.methodSignature().constData() << ": QML cannot pass argument " << p;
            args << arg;
        }
        const QString call = QStringLiteral("ui.%1(%2)")
                                 .arg(QString::fromLatin1(m.name()), args.join(QLatin1Char(',')));
        const QJSValue result = engine.evaluate(call);
        EXPECT_FALSE(result.isError())
            << call.toStdString() << ": " << result.toString().toStdString();
        ++called;
    }
    EXPECT_GT(called, 100) << "the bridge offers the pages' operations";
    qunsetenv("XDG_CONFIG_HOME");
}
