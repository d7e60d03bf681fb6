#version 110
// Passes the fixed-function colour and the first texture coordinate on to the threshold stage.
varying vec2 texCoord;

void main()
{
    texCoord = gl_MultiTexCoord0.st;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
