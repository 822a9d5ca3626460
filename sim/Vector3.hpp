// Vector3: the three-component double vector of every position, velocity and acceleration.
// World coordinates: x to the right, y upwards, in pixels; z is carried and always 0.
// Operations are component by component in double precision, in the written order.
#pragma once

struct Vector3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    void zero() { x = y = z = 0.0; }
    void set(double newX, double newY, double newZ)
    {
        x = newX;
        y = newY;
        z = newZ;
    }
    Vector3 operator+(const Vector3& other) const { return {x + other.x, y + other.y, z + other.z}; }
    Vector3 operator*(double scale) const { return {x * scale, y * scale, z * scale}; }
    Vector3& operator+=(const Vector3& other)
    {
        x = x + other.x;
        y = y + other.y;
        z = z + other.z;
        return *this;
    }
};
