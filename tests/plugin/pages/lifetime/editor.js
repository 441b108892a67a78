// An edited modeless editor keeps its copy while the page changes the buffer: Save puts the copy
// back into the image it came from, and when the page has removed that image Save refuses
// ("Invalid index") and replaces no other image.
var title = "Lifetime editor of the " + Host.Name;
var ROTATE_RIGHT = 40004, RECOVER = 40015, SAVE = 40016, EXIT = 40051;
function size(i) { return Lumetta.GetImageWidth(i) + "x" + Lumetta.GetImageHeight(i); }

function main() {
    if (Host.Name == "control") Lumetta.IfThrowException = false;
    loadPicture(32, 20);
    loadPicture(50, 40);
    Lumetta.CurrentImageIndexInBuffer = 0;
    Lumetta.ImageEditorWindowTitle = title;
    Lumetta.ImageEditorIfModal = false;
    Host.Check(Lumetta.ShowImageEditor(), "the editor opens: " + Lumetta.ErrorCode);
    Host.Check(Host.EditorOpen(title), "its window is there");

    Host.EditorCommand(title, ROTATE_RIGHT);  // the copy of image 0 is now 20 x 32
    Lumetta.CurrentImageIndexInBuffer = 1;     // the page selects another image
    Host.EditorCommand(title, SAVE);
    Host.Check(size(0) == "20x32" && size(1) == "50x40", "saved into the image it came from: " + size(0) + " " + size(1));

    // The next edit copies the current image (1); the page removes it before Save.
    Lumetta.CurrentImageIndexInBuffer = 1;
    Host.EditorCommand(title, ROTATE_RIGHT);
    Host.Check(Lumetta.RemoveImage(1), "image 1 removed: " + Lumetta.ErrorCode);
    Host.EditorCommand(title, SAVE);
    Host.Check(Lumetta.HowManyImagesInBuffer == 1 && size(0) == "20x32", "no other image replaced: " +
               Lumetta.HowManyImagesInBuffer + " " + size(0));

    Host.EditorCommand(title, RECOVER);
    Host.EditorCommand(title, EXIT);
    Host.Check(!Host.EditorOpen(title), "the editor closed");
    Host.Echo("the page goes on after the editor's saves");
}
