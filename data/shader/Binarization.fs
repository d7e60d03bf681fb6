#version 110
// Two-tone look: every texel becomes black or white by its brightness, tinted by the lit colour.
uniform sampler2D sampler;
varying vec2 texCoord;

const float threshold = 0.5;

void main()
{
    vec4 texel = texture2D(sampler, texCoord);
    float brightness = dot(texel.rgb, vec3(0.299, 0.587, 0.114));
    float level = step(threshold, brightness);
    gl_FragColor = vec4(vec3(level), texel.a) * gl_Color;
}
