// A page with a modeless image editor open while its script changes the buffer: the editor
// follows the buffer while it holds no changes, keeps its own copy while it does, takes its keys
// although the page host never hands the control its messages, and closes cleanly (the last one
// stays open when the page goes away). Colours are checked on the screen, at the editor's centre.
var TITLE = "Page Editor";
var RED = 0xFF0000, GREEN = 0x00FF00, BLUE = 0x0000FF;
var ROTATE_RIGHT = 40004, EXIT = 40051, VK_F5 = 0x74;

// A 24-bit BMP of width x height in one colour (0xRRGGBB); makeBmp and base64 come from
// tests/support/pages/page_bytes.js, which the runner puts before this page.
function solidBmp(width, height, rgb) {
    return makeBmp(width, height, 0, function (x) { return x < width * 3 ? (rgb >>> (8 * (x % 3))) & 255 : 0; });
}

function hex(v) { return v < 0 ? String(v) : "0x" + ("00000" + v.toString(16)).slice(-6); }

// The editor shows the colour, within a little rounding of the display.
function shows(rgb, what) {
    Host.Wait(300);
    var seen = Host.EditorPixel(TITLE);
    var close = seen >= 0;
    for (var s = 0; s < 24 && close; s += 8)
        close = Math.abs(((seen >>> s) & 255) - ((rgb >>> s) & 255)) <= 8;
    Host.Check(close, what + ": expected " + hex(rgb) + ", the editor shows " + hex(seen));
}

function add(rgb, width, height) {
    Host.Check(Lumetta.LoadImageFromBase64Binary(base64(solidBmp(width, height, rgb)), 0), "image added");
}

function main() {
    add(RED, 40, 30);
    add(GREEN, 40, 30);
    Lumetta.CurrentImageIndexInBuffer = 0;
    Lumetta.ImageEditorIfModal = false;
    Lumetta.ImageEditorWindowTitle = TITLE;
    Host.Check(Lumetta.ShowImageEditor(), "the modeless editor opens");
    Host.Check(Host.EditorOpen(TITLE), "its window is there after the call");
    shows(RED, "the current image");

    // An unchanged editor follows the buffer.
    Host.Check(Lumetta.RemoveImage(0), "the shown image removed from script");
    shows(GREEN, "after the removal");
    add(BLUE, 30, 40);
    var current = Lumetta.CurrentImageIndexInBuffer;
    Host.Check(Lumetta.HowManyImagesInBuffer == 2, "two images: " + Lumetta.HowManyImagesInBuffer);
    shows(current == 1 ? BLUE : GREEN, "after an image was added (current " + current + ")");

    // A changed editor keeps showing its own copy when the buffer's block goes away.
    Lumetta.CurrentImageIndexInBuffer = 1;
    shows(BLUE, "the added image made current");
    Host.EditorCommand(TITLE, ROTATE_RIGHT);
    Host.Check(Lumetta.RemoveImage(1), "the edited image removed from script");
    shows(BLUE, "the rotated copy after its buffer image went");
    Host.Check(Lumetta.HowManyImagesInBuffer == 1, "one image left");

    // F5 through the editor's own key route: the buffer's current image again, the edit dropped.
    Host.EditorKey(TITLE, VK_F5);
    shows(GREEN, "after F5");

    Host.EditorCommand(TITLE, EXIT);
    Host.Wait(200);
    Host.Check(!Host.EditorOpen(TITLE), "Exit closed the editor");
    Host.Check(Lumetta.HowManyImagesInBuffer == 1 && Lumetta.ErrorCode == 0, "the buffer is intact");

    // One editor stays open when the page goes away.
    Host.Check(Lumetta.ShowImageEditor(), "a second editor opens");
    shows(GREEN, "the second editor");
}
