
// The extension's entry point: GNOME Shell calls enable and disable on it.
function init() {
    return new WindowListService();
}
