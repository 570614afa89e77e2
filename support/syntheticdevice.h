#ifndef KGW_SYNTHETICDEVICE_H
#define KGW_SYNTHETICDEVICE_H

#include <QIODevice>

#include <algorithm>
#include <cstring>

// A read-only stream of a prefix, a fill pattern repeated for any number of bytes, and a
// suffix, made up as it is read, so that inputs of gigabytes need neither disk nor memory.
class SyntheticDevice : public QIODevice
{
public:
    SyntheticDevice(const QByteArray &prefix, const QByteArray &fill, qint64 fillCount,
        const QByteArray &suffix)
        : m_prefix(prefix)
        , m_suffix(suffix)
        , m_fillCount(fillCount)
        , m_patternSize(fill.size())
    {
        // Whole patterns, enough of them to fill large reads with a few copies.
        m_fill = fill.repeated(qMax(1, 65536 / fill.size()));
    }
    SyntheticDevice(const QByteArray &prefix, char fill, qint64 fillCount, const QByteArray &suffix)
        : SyntheticDevice(prefix, QByteArray(1, fill), fillCount, suffix)
    { }

    bool isSequential() const override { return true; }
    qint64 total() const { return m_prefix.size() + m_fillCount + m_suffix.size(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        qint64 done = 0;
        while (done < maxSize && m_position < total()) {
            const qint64 fillStart = m_prefix.size();
            const qint64 suffixStart = fillStart + m_fillCount;
            qint64 n;
            if (m_position < fillStart) {
                n = std::min(maxSize - done, fillStart - m_position);
                memcpy(data + done, m_prefix.constData() + m_position, size_t(n));
            } else if (m_position < suffixStart) {
                const qint64 offset = (m_position - fillStart) % m_patternSize;
                n = std::min(
                    { maxSize - done, suffixStart - m_position, qint64(m_fill.size()) - offset });
                memcpy(data + done, m_fill.constData() + offset, size_t(n));
            } else {
                n = std::min(maxSize - done, total() - m_position);
                memcpy(data + done, m_suffix.constData() + (m_position - suffixStart), size_t(n));
            }
            done += n;
            m_position += n;
        }
        return done;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_prefix;
    QByteArray m_suffix;
    QByteArray m_fill;
    qint64 m_fillCount;
    int m_patternSize;
    qint64 m_position = 0;
};

#endif
