// The three pictures of a CVBIO installation, painted with QPainter.
#pragma once

#include <QImage>

// Splash window, 646 x 435.
QImage PaintLogo();
// Main-menu background, 672 x 549: plates behind the eight buttons, the flow between them.
QImage PaintFlowSource();
// A finger slot whose template came from a reader and has no photo, 280 x 320.
QImage PaintNoFingerPhoto();
