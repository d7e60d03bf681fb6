#version 110
// Lays the detail texture (unit 1) over the base texture (unit 0) by the detail's alpha.
uniform sampler2D baseTexture;
uniform sampler2D detailTexture;
varying vec2 baseCoord;
varying vec2 detailCoord;

void main()
{
    vec4 base = texture2D(baseTexture, baseCoord);
    vec4 detail = texture2D(detailTexture, detailCoord);
    vec3 colour = mix(base.rgb, detail.rgb, detail.a);
    gl_FragColor = vec4(colour, base.a) * gl_Color;
}
