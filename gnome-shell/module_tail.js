
export default class WindowListExtension extends Extension {
    enable() {
        this._service = new WindowListService();
        this._service.enable();
    }

    disable() {
        this._service?.disable();
        this._service = null;
    }
}
