// LoadImage whose OnPostLoad handler removes the element: the member still clears its busy mark
// and reports the buffer change afterwards.
function Lumetta_OnPostLoad(path, name, type) { removeElement(); }

function main() {
    loadPicture(32, 20);
    var file = "@WORK@\\page.bmp";
    Host.Check(Lumetta.SaveAsBMP(file, 0), "saved: " + Lumetta.ErrorCode);
    Lumetta.LoadImage(file);
    afterRemoval("OnPostLoad");
}
