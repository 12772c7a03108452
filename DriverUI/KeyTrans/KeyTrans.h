// Key codes and key names of the settings application. The user configuration stores a key
// binding as a Linux input event code (KEY_*); the pages show and accept key names. KeyTrans
// holds the two fixed tables between them.
//
// Every name CodeToString gives is accepted back by StringToCode, so a binding that a dialog
// shows and saves unchanged keeps its code:
// - The left modifiers are shown as "LShift", "LCtrl", "LAlt" and are read back under those
//   names; "Shift" (what a user types for the shift key) still reads as the left shift key.
// - The media keys are stored under placeholder names ("0x71" ... "0xA5") but shown with a
//   translated label. StringToCode accepts the placeholder, the untranslated label and the label
//   the current translator gives, so the round trip survives a change of language.
// - Private commands (shut down, sleep, lock the screen) are not keys: their number travels in the
//   key field of a binding whose function is the private command. PrivateCmdToString gives their
//   names "0x1" ... "0x3", which StringToCode reads back as the command number. The names share
//   codes 1 ... 3 with Esc, "1" and "2"; the binding's function says which is meant, so a caller
//   showing a private command must use PrivateCmdToString, never CodeToString.
//
// Lookups never change the tables, so one KeyTrans may be read from several threads.
#pragma once

#include <QMap>
#include <QString>

enum OSType {
    OSWin = 0,
    OSIos = 1,
    OSLinux = 2,
    OSUnix = 3,
};

class KeyTrans {
public:
    // Translates a media-key label, given in the application's source language, into the user's
    // language.
    using LabelTranslator = QString (*)(const QString& label);

    // Installs the process-wide translator of the media-key labels; nullptr restores the identity
    // (the default). Takes effect for every KeyTrans at its next lookup; safe from any thread.
    static void SetLabelTranslator(LabelTranslator translator);

    KeyTrans();

    // The name of a key code; empty for a code without a name. With any os other than OSLinux,
    // "Code<decimal code>".
    QString CodeToString(unsigned char code, OSType os) const;
    // The key code of a name (or the number of a private command name); 0 for an unknown name.
    // With any os other than OSLinux, the first byte of the name's UTF-8 form (0 when empty).
    unsigned char StringToCode(const QString& name, OSType os) const;
    // The name of private command cmd (1 shut down, 2 sleep, 3 lock the screen); empty for any
    // other number.
    static QString PrivateCmdToString(int cmd);

    const QMap<int, QString>& codeNames() const { return m_codeString_Linux; }
    const QMap<QString, int>& nameCodes() const { return m_stringCode_Linux; }

private:
    QMap<int, QString> m_codeString_Linux;
    QMap<QString, int> m_stringCode_Linux;
};
