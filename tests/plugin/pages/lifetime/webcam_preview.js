// With the camera's own preview (IfShowUI, no video container) the user grabs a frame from the
// preview dialog, and the page's handler of that grab's OnPreTransfer removes the element: the
// grab still runs in the preview below the handler. The dialog goes with its host.
var START_GRAB = 40055;
function Lumetta_OnPreTransfer() { removeElement(); }

function main() {
    selectTestCamera(true);
    Host.Check(Lumetta.AcquireImage(), "the preview opens: " + Lumetta.ErrorCode + " " + Lumetta.ErrorString);
    Host.Wait(300);
    Host.DialogCommand("Lumetta", START_GRAB);
    for (var waited = 0; waited < 10000 && !removed; waited += 50) Host.Wait(50);
    afterRemoval("OnPreTransfer of a grab from the preview");
}
