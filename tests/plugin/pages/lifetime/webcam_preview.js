// With the camera's own preview (IfShowUI, no video container) the user grabs a frame from the
// preview dialog, and the page's handler of that grab's OnPreTransfer removes the element: the
// grab still runs in the preview below the handler. The dialog goes with its host.
var START_GRAB = 40055;
var camera = -1;
function Lumetta_OnPreTransfer() { removeElement(); }

function main() {
    if (Host.Name == "control") Lumetta.IfThrowException = false;
    Lumetta.IfShowUI = true;
    for (var i = 0; i < Lumetta.SourceCount; ++i)
        if (Lumetta.GetSourceNameItems(i).indexOf("Lumetta Test Camera") >= 0) camera = i;
    Host.Check(camera >= 0, "the test camera is listed");
    Host.Check(Lumetta.SelectSourceByIndex(camera), "the test camera selected: " + Lumetta.ErrorCode);
    Host.Check(Lumetta.AcquireImage(), "the preview opens: " + Lumetta.ErrorCode + " " + Lumetta.ErrorString);
    Host.Wait(300);
    Host.DialogCommand("Lumetta", START_GRAB);
    for (var waited = 0; waited < 10000 && !removed; waited += 50) Host.Wait(50);
    afterRemoval("OnPreTransfer of a grab from the preview");
}
