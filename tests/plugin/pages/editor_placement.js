// The image editor opens centred on the window it belongs to (the page's top-level window, which
// owns it), and its About box centred on the editor: the same page in the control's page host and
// in the plug-in's browser harness. Offsets are of the windows' centres, within the rounding of
// one halving.
var TITLE = "Placement editor of the " + Host.Name;
var EXIT = 40051;

function centred(offset) {
    var d = String(offset).split(",");
    return d.length == 2 && Math.abs(Number(d[0])) <= 1 && Math.abs(Number(d[1])) <= 1;
}

function main() {
    if (Host.Name == "control") Lumetta.IfThrowException = false;
    Lumetta.IfShowUI = false;
    var bmp = makeBmp(40, 30);
    Host.Check(Lumetta.LoadImageFromBytes(bmp.length, bmp, 0), "a picture from bytes: " + Lumetta.ErrorCode);
    Lumetta.ImageEditorWindowTitle = TITLE;
    Lumetta.ImageEditorIfModal = false;
    Host.Check(Lumetta.ShowImageEditor(), "the editor opens: " + Lumetta.ErrorCode);
    var editor = Host.EditorPlacement(TITLE);
    Host.Check(centred(editor), "the editor's centre against its owner's: " + editor);
    var about = Host.EditorAboutPlacement(TITLE);
    Host.Check(centred(about), "the About box's centre against the editor's: " + about);
    Host.Check(Host.EditorOpen(TITLE), "the editor is still open after its About box");
    Host.EditorCommand(TITLE, EXIT);
    Host.Check(!Host.EditorOpen(TITLE), "Exit closed the editor");
}
