#pragma once
// How big the window previews a picture. A job's first picture is announced
// before it is framed, so its preview is sized as the print will sit on the
// screen: inside a rectangle of the screen's aspect, with room for the mat.
// Later previews (the framed outputs) simply fit the area.

// The scale for a c × r picture in a W × H preview area. `firstOfJob`
// selects the print layout for a screen of aspect `screenAspect`
// (width / height). Never negative.
float PreviewScale(int areaWidth, int areaHeight, int cols, int rows, bool firstOfJob, float screenAspect);
