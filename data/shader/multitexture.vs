#version 110
// Hands both texture units' coordinates and the lit colour to the blend stage.
varying vec2 baseCoord;
varying vec2 detailCoord;

void main()
{
    baseCoord = gl_MultiTexCoord0.st;
    detailCoord = gl_MultiTexCoord1.st;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
