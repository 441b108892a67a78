// A click on the viewer whose OnMouseClick handler removes the element: the viewer's and its
// cell's window procedures are still running below the handler.
function Lumetta_OnMouseClick(index) { removeElement(); }

function main() {
    loadPicture(64, 48);
    Host.Wait(100);
    Host.Click(40, 40);
    afterRemoval("OnMouseClick");
}
