// A modal image editor is open when a page timer removes the element; the user then closes the
// editor. ShowImageEditor returns without touching what the page let go, the editor is gone, and
// the browser's frame, which the modal editor had disabled, takes input again.
var title = "Lifetime modal editor of the " + Host.Name;
var EXIT = 40051;

function main() {
    if (Host.Name == "control") Lumetta.IfThrowException = false;
    loadPicture(32, 20);
    Lumetta.ImageEditorWindowTitle = title;
    Lumetta.ImageEditorIfModal = true;
    Host.Check(Host.FrameEnabled(), "the frame takes input before the editor");
    Host.DestroyWhenEditorShows(title, EXIT);
    Lumetta.ShowImageEditor();
    removed = true;
    Host.Check(!Host.EditorOpen(title), "the editor is gone");
    Host.Check(Host.FrameEnabled(), "the frame takes input again");
    afterRemoval("a modal editor");
}
