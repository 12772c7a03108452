// Every visible text of the pages goes through tr(): the binding that calls it also reads the
// translation's revision, so it is evaluated again, in the new language, whenever a translation
// starts.
function tr(text) {
    return jsonTrans.revision >= 0 ? jsonTrans.getStringByPreTrans(text) : text
}
